// The SQLite catalog: declared types and defaults, and changes that keep every row, index and trigger or are refused.
#include <functional>
#include <sstream>
#include <tuple>

#include "base/CString.h"
#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

using namespace ado;

class SqliteCatalog : public SqliteTest {
protected:
    SqliteCatalog() {
        raw().Exec(
            "CREATE TABLE QUOTAS (ID INT NOT NULL, ENABLE_QUOTA BIT, NAME TEXT COLLATE NOCASE CHECK (length(NAME) < 50),"
            " OWNER INT REFERENCES OWNERS(ID) ON DELETE SET NULL ON UPDATE CASCADE);"
            "CREATE TABLE OWNERS (ID INTEGER PRIMARY KEY, NAME TEXT); CREATE TABLE LOG (MSG TEXT);"
            "INSERT INTO OWNERS VALUES (1, 'o');"
            "INSERT INTO QUOTAS VALUES (5, 1, 'five', 1), (7, 0, 'seven', NULL), (9, NULL, 'nine', 1);"
            "CREATE INDEX IX_QUOTAS_NAME ON QUOTAS (NAME); CREATE UNIQUE INDEX IX_QUOTAS_OWNER_ID ON QUOTAS (OWNER, ID);"
            "CREATE TRIGGER TR_QUOTAS AFTER INSERT ON QUOTAS BEGIN INSERT INTO LOG VALUES ('q' || new.ID); END;"
            "CREATE VIEW QV AS SELECT ID, NAME FROM QUOTAS;");
    }
    ColumnInfo Column(const std::string& table, const std::string& column) {
        for (const auto& info : catalog_->Columns(table))
            if (EqualsNoCase(info.name, column)) return info;
        ADD_FAILURE() << "no column " << column;
        return {};
    }
    // Rows, indexes, trigger, collation and check all survived; the file is sound.
    void ExpectKept() {
        EXPECT_EQ(raw().Query("SELECT ID, ENABLE_QUOTA, NAME FROM QV JOIN QUOTAS USING (ID, NAME) ORDER BY ID"),
                  "5|1|five\n7|0|seven\n9|NULL|nine");
        EXPECT_EQ(raw().Query("SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE tbl_name = 'QUOTAS'"
                              " ORDER BY name)"), "IX_QUOTAS_NAME,IX_QUOTAS_OWNER_ID,QUOTAS,TR_QUOTAS");
        raw().Exec("INSERT INTO QUOTAS (ID, NAME) VALUES (11, 'ELEVEN')");
        EXPECT_EQ(raw().Query("SELECT MSG FROM LOG"), "q11");
        EXPECT_EQ(raw().Query("SELECT ID FROM QUOTAS WHERE NAME = 'eleven'"), "11");
        EXPECT_NE(raw().TryExec("INSERT INTO QUOTAS (ID, NAME) VALUES (12, printf('%060d', 1))"), SQLITE_OK);
        raw().Exec("DELETE FROM QUOTAS WHERE ID = 11; DELETE FROM LOG;");
        EXPECT_EQ(raw().Query("PRAGMA integrity_check"), "ok");
    }
    ConnectionPtr connection_ = Open();
    std::shared_ptr<CatalogBackend> catalog_ = connection_->Catalog();
};

// Columns declared as Jet, SQL Server or SQLite users write them report Jet's type,
// size and precision; names SQLite does not know follow its affinity rules.
TEST_F(SqliteCatalog, DeclaredTypesReportJetTypes) {
    // Every name Jet, SQL Server and SQLite users write for a type ('|' between them).
    const std::pair<DataTypeEnum, const char*> names[] = {
        {adInteger, "INTEGER|INT|LONG|INT4|INTEGER4|MEDIUMINT|COUNTER|\"AUTOINCREMENT\""}, {adSmallInt, "SMALLINT|SHORT|INT2|INTEGER2"},
        {adUnsignedTinyInt, "TINYINT|BYTE|INTEGER1"}, {adBigInt, "BIGINT|INT8|UNSIGNED BIG INT"},
        {adDouble, "REAL|DOUBLE|DOUBLE PRECISION|FLOAT|FLOAT8|IEEEDOUBLE|NUMBER"}, {adSingle, "SINGLE|FLOAT4|IEEESINGLE"},
        {adCurrency, "MONEY|SMALLMONEY|CURRENCY"}, {adBoolean, "BIT|BOOLEAN|BOOL|YESNO|LOGICAL|LOGICAL1"},
        {adDate, "DATETIME|DATE|TIME|SMALLDATETIME|DATETIME2"}, {adDBTimeStamp, "TIMESTAMP"}, {adNumeric, "DECIMAL|NUMERIC|DEC"},
        {adLongVarWChar, "TEXT|MEMO|LONGTEXT|NTEXT|CLOB|LONGCHAR|NOTE|MEDIUMTEXT"},
        {adVarWChar, "VARCHAR|NVARCHAR|VARCHAR2|NVARCHAR2|STRING|ALPHANUMERIC|CHARACTER VARYING|VARYING CHARACTER|"
                     "NATIONAL VARYING CHARACTER"},
        {adWChar, "CHAR|NCHAR|CHARACTER|NATIONAL CHARACTER|NATIVE CHARACTER"}, {adVarBinary, "VARBINARY"}, {adBinary, "BINARY"},
        {adLongVarBinary, "BLOB|IMAGE|LONGBINARY|OLEOBJECT|GENERAL"}, {adGUID, "GUID|UNIQUEIDENTIFIER|UUID"},
    };
    // Sizes and precisions as written or by default; names SQLite does not know follow its affinity rules.
    std::vector<std::tuple<std::string, DataTypeEnum, long, int>> cases = {  // declared, type, size, precision
        {"numeric(12, 4)", adNumeric, 0, 12}, {"DECIMAL", adNumeric, 0, 18}, {"TEXT(50)", adVarWChar, 50, 0},
        {"varchar (40)", adVarWChar, 40, 0}, {"NVARCHAR", adVarWChar, 255, 0}, {"CHAR(1)", adWChar, 1, 0},
        {"VARBINARY(16)", adVarBinary, 16, 0}, {"SMALLINTEGER", adInteger, 0, 0}, {"VARYCHAR(9)", adVarWChar, 9, 0},
        {"MYTEXT", adLongVarWChar, 0, 0}, {"BLOBBY", adLongVarBinary, 0, 0}, {"FLOATING", adDouble, 0, 0},
        {"WHATEVER", adNumeric, 0, 18}, {"CHAR/* code */(3)", adWChar, 3, 0},
        {"VARCHAR(-5)", adVarWChar, 255, 0},  // a size below one counts as none
    };
    const size_t sized = cases.size();
    for (const auto& [type, list] : names) {
        std::istringstream words(list);
        for (std::string name; std::getline(words, name, '|');) cases.emplace_back(name, type, -1, -1);
    }
    std::string sql = "CREATE TABLE TYPES (";
    for (size_t i = 0; i < cases.size(); ++i) sql += (i ? ", C" : "C") + std::to_string(i) + " " + std::get<0>(cases[i]);
    raw().Exec(sql + ")");
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [declared, type, size, precision] = cases[i];
        const ColumnInfo c = Column("TYPES", "C" + std::to_string(i));
        if (i < sized) EXPECT_EQ(std::tuple(c.type, c.definedSize, c.precision), std::tuple(type, size, precision)) << declared;
        else EXPECT_EQ(c.type, type) << declared;
    }
    EXPECT_EQ(Column("TYPES", "C0").scale, 4);
}

// Defaults read as the values they stand for, an expression as its text, in a table another connection made later.
TEST_F(SqliteCatalog, WrittenDefaultsReadAsTheirValues) {
    const std::pair<const char*, _variant_t> cases[] = {
        {"5", _variant_t(5)},          {"-5", _variant_t(-5)},         {"+5", _variant_t(5)},
        {"((7))", _variant_t(7)},      {"(\n(8)\t)", _variant_t(8)},    {"010", _variant_t(10)},
        {"0x1F", _variant_t(31)},      {"1.5", _variant_t(1.5)},       {"1e+3", _variant_t(1000.0)},
        {"-2E-2", _variant_t(-0.02)},  {"9223372036854775808", _variant_t(9223372036854775808.0)},
        {"'it''s'", _variant_t("it's")}, {"''", _variant_t("")}, {"NULL", _variant_t::Null()},
        {"true", _variant_t(true)},
        {"((1)+(2))", _variant_t("(1)+(2)")}, {"(\n CURRENT_TIMESTAMP\n)", _variant_t("CURRENT_TIMESTAMP")},
    };
    EXPECT_EQ(ErrorOf([&] { catalog_->Columns("defaults"); }).Error(), hr::kNoTable);  // asked before another makes it
    std::string sql = "CREATE TABLE DEFAULTS (";
    for (size_t i = 0; i < std::size(cases); ++i) sql += (i ? ", C" : "C") + std::to_string(i) + " DEFAULT " + cases[i].first;
    raw().Exec(sql + ")");
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Column("DEFAULTS", "C" + std::to_string(i)).defaultValue, cases[i].second) << cases[i].first;
}

// A change rewrites only its own column's clauses: every other column, constraint and
// table option stays as it was written.
TEST_F(SqliteCatalog, ChangesRewriteOnlyTheirColumnsClauses) {
    const std::tuple<const char*, const char*, _variant_t, const char*> cases[] = {  // table, column, default, SQL after
        {"T1 (\"a b\" INTEGER CONSTRAINT nn NOT NULL, c TEXT DEFAULT 'x' COLLATE NOCASE, CONSTRAINT pk PRIMARY KEY (\"a b\"))",
         "C", _variant_t(5), "T1\" (\n  \"a b\" INTEGER CONSTRAINT nn NOT NULL,\n  c TEXT COLLATE NOCASE DEFAULT 5,\n  "
         "CONSTRAINT pk PRIMARY KEY (\"a b\")\n)"},
        {"T2 (id INT PRIMARY KEY, v REAL CHECK (v > 0) DEFAULT (1.5), UNIQUE (id, v)) WITHOUT ROWID", "v", _variant_t(),
         "T2\" (\n  id INT PRIMARY KEY,\n  v REAL CHECK (v > 0),\n  UNIQUE (id, v)\n) WITHOUT ROWID"},
        {"T3 ([x y] TEXT, `t` INT, g INT GENERATED ALWAYS AS (`t` * 2) STORED) STRICT", "x y", _variant_t("it's"),
         "T3\" (\n  [x y] TEXT DEFAULT 'it''s',\n  `t` INT,\n  g INT GENERATED ALWAYS AS (`t` * 2) STORED\n) STRICT"},
        {"T4 (id INTEGER NOT NULL DEFAULT 0 UNIQUE, n TEXT REFERENCES T4(id) ON DELETE CASCADE DEFERRABLE INITIALLY "
         "DEFERRED NOT NULL)", "n", _variant_t(true), "T4\" (\n  id INTEGER NOT NULL DEFAULT 0 UNIQUE,\n  n TEXT "
         "REFERENCES T4(id) ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED NOT NULL DEFAULT TRUE\n)"},
        {"T5 (d INT DEFAULT NULL CHECK (d <> 0))", "d", _variant_t(5), "T5\" (\n  d INT CHECK (d <> 0) DEFAULT 5\n)"},
    };
    for (const auto& [table, column, value, sql] : cases) {
        raw().Exec(std::string("CREATE TABLE ") + table);
        const std::string name(table, std::string_view(table).find(' '));
        catalog_->SetColumnProperty(name, column, "Default", value);
        EXPECT_EQ(raw().Query("SELECT sql FROM sqlite_master WHERE name = '" + name + "'"), "CREATE TABLE \"" + std::string(sql));
    }
    connection_->Execute("INSERT INTO T4 (id) VALUES (1)");
    catalog_->SetColumnProperty("T4", "id", "Autoincrement", _variant_t(true));
    EXPECT_EQ(raw().Query("SELECT sql FROM sqlite_master WHERE name = 'T4'"),  // the rowid ignores the default
              "CREATE TABLE \"T4\" (\n  id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL DEFAULT 0 UNIQUE,\n  n TEXT "
              "REFERENCES T4(id) ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED NOT NULL DEFAULT TRUE\n)");
}

TEST_F(SqliteCatalog, ColumnChangesKeepRowsIndexesAndTriggers) {
    const std::tuple<const char*, const char*, _variant_t> changes[] = {
        {"ENABLE_QUOTA", "Default", _variant_t(false)}, {"ID", "Default", _variant_t(-3)},
        {"enable_quota", "Default", _variant_t("x'y")}, {"ENABLE_QUOTA", "Default", _variant_t()},
        {"ID", "Autoincrement", _variant_t(true)},      {"ID", "Autoincrement", _variant_t(true)},
    };
    for (const auto& [column, property, value] : changes) {
        SCOPED_TRACE(std::string(column) + " " + property);
        catalog_->SetColumnProperty("quotas", column, property, value);
        const ColumnInfo info = Column("QUOTAS", column);
        const std::string name = property;
        EXPECT_EQ(name == "Default" ? info.defaultValue : _variant_t(info.autoIncrement), value);
        ExpectKept();
    }
    EXPECT_EQ(Column("QUOTAS", "ID").defaultValue, _variant_t(-3));  // the column's other clauses stay
    EXPECT_EQ(catalog_->Indexes("QUOTAS")[0].name, "PrimaryKey");
    connection_->Execute("INSERT INTO QUOTAS (NAME) VALUES ('next')");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 12);  // 11 was taken once
}

TEST_F(SqliteCatalog, RefusedChangesLeaveTheTableAsItWas) {
    raw().Exec("CREATE TABLE K (CODE TEXT PRIMARY KEY, N INT); INSERT INTO K VALUES ('a', 1);"
               "CREATE TABLE R (ID INTEGER, X INT); INSERT INTO R VALUES ('a', 1), ('b', 2); CREATE INDEX IX_R ON R (X);"
               "CREATE TABLE N (ID INT); INSERT INTO N VALUES (1), (NULL);"
               "CREATE TABLE S (ID INTEGER PRIMARY KEY AUTOINCREMENT); CREATE TABLE K2 (A INT, B INT, PRIMARY KEY (A, B));");
    auto key = [&](const char* table, const char* name, const char* column, bool primary) {
        IndexInfo index;
        index.name = name;
        index.primaryKey = index.unique = primary;
        index.columns.emplace_back().name = column;
        return [=, this] { catalog_->CreateIndex(table, index); };
    };
    auto set = [&](const char* table, const char* column, const char* property, _variant_t value) {
        return [=, this] { catalog_->SetColumnProperty(table, column, property, value); };
    };
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"QUOTAS", set("QUOTAS", "NAME", "Autoincrement", _variant_t(true)),
         "Column [NAME] cannot become the autonumber column of table [QUOTAS]: 3 rows hold NULL or a value that is not a "
         "whole number in it."},
        {"K", set("K", "N", "Autoincrement", _variant_t(true)),
         "Column [N] cannot become the autonumber column of table [K]: the table already has a primary key (over [CODE]) "
         "and SQLite numbers rows only through the primary key."},
        {"K2", set("K2", "A", "Autoincrement", _variant_t(true)), "Column [A] cannot become the autonumber column of table "
         "[K2]: the table already has a primary key (over [A], [B]) and SQLite numbers rows only through the primary key."},
        {"S", set("S", "ID", "Autoincrement", _variant_t(false)),
         "Column [ID] is the autonumber column of table [S]; SQLite cannot turn the autonumber off."},
        {"K", set("K", "NOPE", "Autoincrement", _variant_t(true)), "Table [K] has no column [NOPE]."},
        {"QUOTAS", set("QUOTAS", "ID", "Seed", _variant_t(1)),
         "Item cannot be found in the collection corresponding to the requested name or ordinal: Seed"},
        {"N", key("N", "PK_N", "ID", true), "Index [PK_N] cannot be the primary key of table [N]: its key holds NULL values."},
        {"R", key("R", "PrimaryKey", "ID", true),  // found halfway through copying the rows
         "datatype mismatch (while running: INSERT INTO \"R_veltmoor_rebuild\" (\"ID\", \"X\") SELECT \"ID\", \"X\" FROM \"R\")"},
        {"K", key("K", "UX", "NOPE", false), "Index [UX]: table [K] has no column [NOPE]."},
        {"K", [this] { catalog_->CreateTable({"MADE", {Column("K", "N")}}); },  // only a SQL Server rebuild makes tables
         "Creating table [MADE] is not supported on this database."},
    };
    for (const auto& [table, change, says] : cases) {
        SCOPED_TRACE(says);
        const std::string snapshot = "SELECT * FROM sqlite_master, " + std::string(table) + " ORDER BY 1, 2";
        const std::string before = raw().Query(snapshot);
        const _com_error e = ErrorOf(change);
        EXPECT_NE(e.Error(), 0);
        EXPECT_EQ(e.Description(), says);
        EXPECT_EQ(raw().Query(snapshot), before);
    }
    connection_->BeginTrans();  // the connection is out of every failed transaction
    connection_->Execute("INSERT INTO R VALUES ('c', 3)");
    connection_->CommitTrans();
    ExpectKept();
}

TEST_F(SqliteCatalog, KeepsTheAutonumberCounterForeignKeysAndTheUsersTransaction) {
    raw().Exec("CREATE TABLE S (ID INTEGER PRIMARY KEY AUTOINCREMENT, X INT); INSERT INTO S (X) VALUES (1), (2), (3);"
               "DELETE FROM S WHERE ID = 3; CREATE TABLE CHILD (S_ID INT REFERENCES S(ID) ON DELETE CASCADE);"
               "INSERT INTO CHILD VALUES (1), (2);");
    connection_->Execute("PRAGMA foreign_keys = ON");
    catalog_->SetColumnProperty("S", "X", "Default", _variant_t(0));
    EXPECT_EQ(raw().Query("SELECT count(*) FROM CHILD"), "2");  // dropping the old table set off no cascade
    connection_->Execute("INSERT INTO S (X) VALUES (4)");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 4);
    connection_->BeginTrans();
    EXPECT_EQ(ErrorOf([&] { catalog_->SetColumnProperty("S", "X", "Default", _variant_t(2)); }).Description(),
              "Table [S] cannot be rebuilt inside a transaction while foreign keys are enforced and other tables refer to "
              "it; commit or roll back first.");
    connection_->RollbackTrans();
    connection_->Execute("PRAGMA foreign_keys = OFF");
    connection_->BeginTrans();
    catalog_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(1));
    connection_->RollbackTrans();
    EXPECT_TRUE(Column("QUOTAS", "ENABLE_QUOTA").defaultValue.IsEmpty());
    ExpectKept();
}

}  // namespace
}  // namespace veltmoor::test
