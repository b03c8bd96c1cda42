// The provider's reading of SQL text: the Jet dialect rewrite, statement shapes
// for the statement cache, and taking a CREATE TABLE apart and putting it back.
#include <gtest/gtest.h>

#include "db/ado/Error.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/TableDefinition.h"

namespace veltmoor::ado::sqlite {
namespace {

TEST(ShapeStatement, LiftsIntegerLiteralsInValuePositionsOnly) {
    struct Case {
        const char* sql;
        const char* text;
        std::vector<std::int64_t> values;
        bool cacheable;
    };
    const Case cases[] = {
        {"SELECT ID FROM SETTINGS WHERE ID = 42", "SELECT ID FROM SETTINGS WHERE ID = ?", {42}, true},
        {"SELECT ID FROM SETTINGS WHERE ID = -42", "SELECT ID FROM SETTINGS WHERE ID = -?", {42}, true},
        {"UPDATE ACCOUNTS SET QUOTA_ID = 7 WHERE ID = 3", "UPDATE ACCOUNTS SET QUOTA_ID = ? WHERE ID = ?", {7, 3}, true},
        {"INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(5,-1,'x 12','/')",
         "INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(?,-?,'x 12','/')", {5, 1}, true},
        {"INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (0);", "INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (?);", {0}, true},
        // Result columns, ORDER BY, GROUP BY, LIMIT and names keep their literals.
        {"SELECT 1, T1.X2 FROM T1 WHERE A = 1 GROUP BY 1 ORDER BY 2 LIMIT 10",
         "SELECT 1, T1.X2 FROM T1 WHERE A = ? GROUP BY 1 ORDER BY 2 LIMIT 10", {1}, true},
        {"SELECT A FROM T WHERE A = \"1\" AND [2] = 3 AND `4` = 'five 5'",
         "SELECT A FROM T WHERE A = \"1\" AND [2] = ? AND `4` = 'five 5'", {3}, true},
        // Reals, hexadecimal and overlong numbers stay as written.
        {"SELECT A FROM T WHERE A = 1.5 OR A = .5 OR A = 1e3 OR A = 0x10 OR A = 99999999999999999999",
         "SELECT A FROM T WHERE A = 1.5 OR A = .5 OR A = 1e3 OR A = 0x10 OR A = 99999999999999999999", {}, true},
        {"SELECT A FROM T WHERE A = 9223372036854775807", "SELECT A FROM T WHERE A = ?", {9223372036854775807LL}, true},
        // A CAST's type size follows AS and is never lifted.
        {"SELECT A FROM T WHERE CAST(A AS VARCHAR(10)) = 5", "SELECT A FROM T WHERE CAST(A AS VARCHAR(10)) = 5", {},
         true},
        // Comments are kept, their digits untouched.
        {"DELETE FROM T WHERE A = 2 -- 3\n", "DELETE FROM T WHERE A = ? -- 3\n", {2}, true},
        {"DELETE FROM T /* WHERE 4 */ WHERE A = 2", "DELETE FROM T /* WHERE 4 */ WHERE A = ?", {2}, true},
        // Statements with parameters of their own are left alone.
        {"SELECT A FROM T WHERE A = ? AND B = 5", "SELECT A FROM T WHERE A = ? AND B = 5", {}, true},
        {"SELECT A FROM T WHERE A = :a AND B = 5", "SELECT A FROM T WHERE A = :a AND B = 5", {}, true},
        // Schema statements are neither shaped nor cached.
        {"CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", "CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", {}, false},
        {"PRAGMA user_version = 3", "PRAGMA user_version = 3", {}, false},
        // Jet's @@IDENTITY, outside strings and names only.
        {"SELECT @@IDENTITY AS ID", "SELECT last_insert_rowid() AS ID", {}, true},
        {"select @@identity", "select last_insert_rowid()", {}, true},
        {"SELECT '@@IDENTITY', [@@IDENTITY] FROM T", "SELECT '@@IDENTITY', [@@IDENTITY] FROM T", {}, true},
        {"SELECT @@IDENTITYX", "SELECT @@IDENTITYX", {}, true},
        {"SELECT 'unterminated WHERE 5", "SELECT 'unterminated WHERE 5", {}, false},
    };
    for (const auto& c : cases) {
        const StatementShape shape = ShapeStatement(c.sql);
        EXPECT_EQ(shape.text, c.text) << c.sql;
        EXPECT_EQ(shape.cacheable, c.cacheable) << c.sql;
        EXPECT_EQ(shape.shaped, !c.values.empty()) << c.sql;
        ASSERT_EQ(shape.count, c.values.size()) << c.sql;
        for (size_t i = 0; i < shape.count; ++i) EXPECT_EQ(shape.values[i], c.values[i]) << c.sql;
    }
}

TEST(ShapeStatement, StopsLiftingAfterTheParameterLimit) {
    std::string sql = "SELECT A FROM T WHERE A IN (";
    for (int i = 0; i < 20; ++i) sql += (i ? "," : "") + std::to_string(i);
    sql += ")";
    const StatementShape shape = ShapeStatement(sql);
    EXPECT_EQ(shape.count, StatementShape::kMaxParameters);
    EXPECT_NE(shape.text.find("?,16,17,18,19)"), std::string::npos) << shape.text;
    EXPECT_EQ(ShapeStatement(sql, false).text, sql);
}

TEST(SqlText, QuotingAndUnquoting) {
    EXPECT_EQ(QuoteIdentifier("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(QuoteString("it's"), "'it''s'");
    EXPECT_EQ(Unquote("\"a\"\"b\""), "a\"b");
    EXPECT_EQ(Unquote("[x]]"), "x]");
    EXPECT_EQ(Unquote("`q``r`"), "q`r");
    EXPECT_EQ(Unquote("plain"), "plain");
    EXPECT_TRUE(IsBlank("  -- c\n /* d */ "));
    EXPECT_FALSE(IsBlank(" ; "));
}

TEST(TableDefinition, ChangesOneColumnAndKeepsTheRest) {
    const char* sql =
        "CREATE TABLE \"Q\" (\n  ID int CONSTRAINT nn NOT NULL ON CONFLICT ABORT, -- the key\n"
        "  [Name] VARCHAR ( 20 ) DEFAULT 'a,b' COLLATE NOCASE CHECK (length([Name]) > 0),\n"
        "  OWNER INT REFERENCES O(ID) ON DELETE SET NULL DEFERRABLE INITIALLY DEFERRED,\n"
        "  N NUMERIC(10, 2) DEFAULT -1.5 UNIQUE,\n"
        "  G INT GENERATED ALWAYS AS (ID * 2) VIRTUAL,\n"
        "  UNIQUE (OWNER, N),\n  CHECK (ID > 0)\n) STRICT";
    TableDefinition def = TableDefinition::Parse(sql);
    ASSERT_NE(def.FindColumn("name"), nullptr);
    EXPECT_EQ(def.FindColumn("NAME")->type, "VARCHAR ( 20 )");
    EXPECT_EQ(def.FindColumn("name")->clauses.size(), 3u);
    EXPECT_EQ(def.FindColumn("owner")->clauses.size(), 1u);
    EXPECT_EQ(def.FindColumn("G")->clauses[0].kind, ColumnClause::Generated);
    EXPECT_FALSE(def.HasPrimaryKey());
    EXPECT_FALSE(def.WithoutRowid());
    EXPECT_EQ(def.FindColumn("NOPE"), nullptr);

    def.EditColumn("NAME")->SetDefault("'x'");
    def.EditColumn("ID")->SetNullable(true);
    def.EditColumn("N")->SetNullable(false);
    const std::string out = def.ToSql("\"Q2\"");
    EXPECT_NE(out.find("CREATE TABLE \"Q2\" ("), std::string::npos) << out;
    EXPECT_NE(out.find("[Name] VARCHAR ( 20 ) COLLATE NOCASE CHECK (length([Name]) > 0) DEFAULT 'x'"), std::string::npos)
        << out;
    EXPECT_NE(out.find("  ID int,"), std::string::npos) << out;
    EXPECT_NE(out.find("N NUMERIC(10, 2) DEFAULT -1.5 UNIQUE NOT NULL"), std::string::npos) << out;
    EXPECT_NE(out.find("OWNER INT REFERENCES O(ID) ON DELETE SET NULL DEFERRABLE INITIALLY DEFERRED,"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("UNIQUE (OWNER, N),\n  CHECK (ID > 0)\n) STRICT"), std::string::npos) << out;

    TableDefinition again = TableDefinition::Parse(out);
    again.EditColumn("id")->MakeAutonumber();
    EXPECT_TRUE(again.HasPrimaryKey());
    EXPECT_NE(again.ToSql("Q").find("ID INTEGER PRIMARY KEY AUTOINCREMENT"), std::string::npos);
}

TEST(TableDefinition, PrimaryKeysAndRefusals) {
    EXPECT_TRUE(TableDefinition::Parse("CREATE TABLE T (A INT, B INT, CONSTRAINT pk PRIMARY KEY (A))").HasPrimaryKey());
    EXPECT_TRUE(TableDefinition::Parse("CREATE TABLE T (A INT PRIMARY KEY DESC)").HasPrimaryKey());
    EXPECT_TRUE(TableDefinition::Parse("CREATE TABLE T (A INT PRIMARY KEY) WITHOUT ROWID").WithoutRowid());
    TableDefinition def = TableDefinition::Parse("create table if not exists T(A)");
    def.AddConstraint("PRIMARY KEY (\"A\")");
    EXPECT_TRUE(def.HasPrimaryKey());
    EXPECT_EQ(def.ToSql("T"), "CREATE TABLE T (\n  A,\n  PRIMARY KEY (\"A\")\n)");

    for (const char* bad : {"CREATE TABLE T AS SELECT 1", "CREATE TABLE T (A INT DEFAULT)", "CREATE TABLE T (A INT WEIRD(",
                            "CREATE TABLE T (A INT NOT WEIRD)", "CREATE TABLE T (A, )", "CREATE TABLE T (A 'x"}) {
        try {
            (void)TableDefinition::Parse(bad);
            ADD_FAILURE() << "parsed: " << bad;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kNotSupported) << bad;
        }
    }
}

}  // namespace
}  // namespace veltmoor::ado::sqlite
