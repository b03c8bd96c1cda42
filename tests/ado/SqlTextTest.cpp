// The provider's reading of SQL text: the Jet dialect rewrite, statement shapes
// for the statement cache, and a CREATE TABLE taken apart and put back.
#include <gmock/gmock.h>

#include "db/ado/Error.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/TableDefinition.h"

namespace veltmoor::ado::sqlite {
namespace {

using ::testing::HasSubstr;

TEST(ShapeStatement, LiftsIntegerLiteralsInValuePositionsOnly) {
    struct Case {
        const char* sql;
        const char* text;  // after shaping; the lifted values in order
        std::vector<std::int64_t> values;
        bool cacheable = true;
    };
    const Case cases[] = {
        {"UPDATE ACCOUNTS SET QUOTA_ID = 7 WHERE ID = -3", "UPDATE ACCOUNTS SET QUOTA_ID = ? WHERE ID = -?", {7, 3}},
        {"INSERT INTO F (A,[N]) VALUES(5,'x 12')", "INSERT INTO F (A,[N]) VALUES(?,'x 12')", {5}},
        {"SELECT 1, T1.X2 FROM T1 WHERE A = 1 GROUP BY 1 ORDER BY 2 LIMIT 10",
         "SELECT 1, T1.X2 FROM T1 WHERE A = ? GROUP BY 1 ORDER BY 2 LIMIT 10", {1}},
        {"SELECT A FROM T WHERE A = \"1\" AND [2] = 3 AND `4` = 'five 5' -- 6\n",
         "SELECT A FROM T WHERE A = \"1\" AND [2] = ? AND `4` = 'five 5' -- 6\n", {3}},
        {"SELECT A FROM T WHERE A = 1.5 OR A = 0x10 OR A = 99999999999999999999 OR CAST(A AS VARCHAR(10)) = 5",
         "SELECT A FROM T WHERE A = 1.5 OR A = 0x10 OR A = 99999999999999999999 OR CAST(A AS VARCHAR(10)) = 5", {}},
        {"SELECT A FROM T WHERE A = :a AND B = 5", "SELECT A FROM T WHERE A = :a AND B = 5", {}},
        {"CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", "CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", {}, false},
        {"select @@identity AS ID", "select last_insert_rowid() AS ID", {}},
        {"SELECT '@@IDENTITY', [@@IDENTITY], @@IDENTITYX", "SELECT '@@IDENTITY', [@@IDENTITY], @@IDENTITYX", {}},
        {"SELECT 'unterminated WHERE 5", "SELECT 'unterminated WHERE 5", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const StatementShape shape = ShapeStatement(c.sql);
        EXPECT_EQ(shape.text, c.text);
        EXPECT_EQ(shape.cacheable, c.cacheable);
        EXPECT_EQ(std::vector<std::int64_t>(shape.values.begin(), shape.values.begin() + shape.count), c.values);
    }
    std::string many = "SELECT A FROM T WHERE A IN (0";
    for (int i = 1; i < 20; ++i) many += "," + std::to_string(i);
    EXPECT_THAT(ShapeStatement(many + ")").text, HasSubstr("?,16,17,18,19)"));
}

TEST(TableDefinition, ChangesOneColumnAndKeepsTheRest) {
    TableDefinition def = TableDefinition::Parse(
        "CREATE TABLE \"Q\" (\n  ID int CONSTRAINT nn NOT NULL, -- the key\n"
        "  [Name] VARCHAR ( 20 ) DEFAULT 'a,b' COLLATE NOCASE CHECK (length([Name]) > 0),\n"
        "  N NUMERIC(10, 2) DEFAULT -1.5 UNIQUE,\n  UNIQUE (ID, N)\n) STRICT");
    EXPECT_FALSE(def.HasPrimaryKey());
    def.EditColumn("NAME")->SetDefault("'x'");
    def.EditColumn("ID")->SetNullable(true);
    def.EditColumn("N")->SetNullable(false);
    EXPECT_EQ(def.ToSql("Q2"),
              "CREATE TABLE Q2 (\n  ID int,\n"
              "  [Name] VARCHAR ( 20 ) COLLATE NOCASE CHECK (length([Name]) > 0) DEFAULT 'x',\n"
              "  N NUMERIC(10, 2) DEFAULT -1.5 UNIQUE NOT NULL,\n  UNIQUE (ID, N)\n) STRICT");
    for (const char* bad : {"CREATE TABLE T AS SELECT 1", "CREATE TABLE T (A INT DEFAULT)", "CREATE TABLE T (A, )"}) {
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
