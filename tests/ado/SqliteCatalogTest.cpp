// The SQLite catalog: what it reports of tables, columns and indexes, what it creates,
// and column changes by rebuilding a table, which keep every row, index and trigger
// or are refused with the table left as it was.
#include <functional>

#include "base/CString.h"
#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

using namespace ado;

// A column as CreateTable and CreateIndex take it.
ColumnInfo Col(const std::string& name, DataTypeEnum type = adInteger, long size = 0, bool autoIncrement = false,
               bool nullable = true) {
    ColumnInfo column;
    column.name = name;
    column.type = type;
    column.definedSize = size;
    column.autoIncrement = autoIncrement;
    column.nullable = nullable;
    return column;
}

class SqliteCatalog : public SqliteTest {
protected:
    void Connect() {
        connection_ = Open();
        catalog_ = connection_->Catalog();
    }
    ColumnInfo Column(const std::string& table, const std::string& column) {
        for (const auto& info : catalog_->Columns(table))
            if (EqualsNoCase(info.name, column)) return info;
        ADD_FAILURE() << "no column " << column;
        return {};
    }
    // The whole schema and every row of a table, to see that a refused change touched nothing.
    std::string Snapshot(const std::string& table) {
        return raw().Query("SELECT type, name, sql FROM sqlite_master ORDER BY name") + "\n" +
               raw().Query("SELECT * FROM " + table + " ORDER BY rowid");
    }
    ConnectionPtr connection_;
    std::shared_ptr<CatalogBackend> catalog_;
};

TEST_F(SqliteCatalog, ReportsTablesColumnTypesAndDefaults) {
    const std::tuple<const char*, DataTypeEnum, long, int, int> types[] = {
        {"INTEGER", adInteger, 0, 0, 0},         {"LONG", adInteger, 0, 0, 0},
        {"SMALLINT", adSmallInt, 0, 0, 0},       {"TINYINT", adUnsignedTinyInt, 0, 0, 0},
        {"UNSIGNED BIG INT", adBigInt, 0, 0, 0}, {"MEMO", adLongVarWChar, 0, 0, 0},
        {"TEXT(40)", adVarWChar, 40, 0, 0},      {"VARCHAR", adVarWChar, 255, 0, 0},
        {"varchar ( 12 )", adVarWChar, 12, 0, 0}, {"CHAR(3)", adWChar, 3, 0, 0},
        {"DOUBLE PRECISION", adDouble, 0, 0, 0}, {"FLOAT4", adSingle, 0, 0, 0},
        {"YESNO", adBoolean, 0, 0, 0},           {"DECIMAL(10,2)", adNumeric, 0, 10, 2},
        {"NUMERIC(5)", adNumeric, 0, 5, 0},      {"WHATEVER", adNumeric, 0, 18, 0},
        {"DATETIME", adDate, 0, 0, 0},           {"VARBINARY(16)", adVarBinary, 16, 0, 0},
        {"CURRENCY", adCurrency, 0, 0, 0},       {"GUID", adGUID, 0, 0, 0},
        {"", adVariant, 0, 0, 0},                {"NATIVE STRINGCHAR(9)", adVarWChar, 9, 0, 0},
    };
    std::string sql = "CREATE TABLE T (";
    for (size_t i = 0; i < std::size(types); ++i) sql += Format("%sC%zu %s", i ? ", " : "", i, std::get<0>(types[i]));
    raw().Exec(sql + "); CREATE TABLE D (ID INTEGER PRIMARY KEY AUTOINCREMENT, S VARCHAR(20) NOT NULL DEFAULT 'a''b',"
                     " N INT DEFAULT -5, R DEFAULT 1.5, B BIT DEFAULT TRUE, Z DEFAULT NULL, E DEFAULT (1 + 2), H DEFAULT 0x10);"
                     "CREATE TABLE U (ID INT PRIMARY KEY); CREATE VIEW VW AS SELECT * FROM U;");
    Connect();
    EXPECT_EQ(catalog_->TableNames(), (std::vector<std::string>{"D", "T", "U"}));
    EXPECT_EQ(ErrorOf([&] { catalog_->Columns("NOPE"); }).code, hr::kNoTable);
    const auto columns = catalog_->Columns("t");
    ASSERT_EQ(columns.size(), std::size(types));
    for (size_t i = 0; i < std::size(types); ++i) {
        const auto& [declared, type, size, precision, scale] = types[i];
        EXPECT_EQ(std::tie(columns[i].type, columns[i].definedSize, columns[i].precision, columns[i].scale),
                  std::tie(type, size, precision, scale)) << declared;
    }
    const std::pair<const char*, _variant_t> defaults[] = {{"S", _variant_t("a'b")}, {"N", _variant_t(-5)},
        {"R", _variant_t(1.5)}, {"B", _variant_t(true)}, {"E", _variant_t("1 + 2")}, {"H", _variant_t(16)}};
    for (const auto& [column, value] : defaults) EXPECT_EQ(Column("D", column).defaultValue, value) << column;
    EXPECT_TRUE(Column("D", "Z").defaultValue.IsNull());
    EXPECT_TRUE(Column("D", "ID").autoIncrement);
    EXPECT_FALSE(Column("D", "S").nullable);
    EXPECT_FALSE(Column("U", "ID").autoIncrement);  // only an INTEGER PRIMARY KEY numbers the rows
}

TEST_F(SqliteCatalog, IndexesAsJetNamesThemAndAsCreated) {
    raw().Exec("CREATE TABLE T (ID INTEGER PRIMARY KEY, CODE TEXT UNIQUE, A INT, B INT);"
               "CREATE INDEX IX_BA ON T (B, A); INSERT INTO T (A, B) VALUES (1, 1), (1, 2);");
    Connect();
    catalog_->CreateIndex("T", IndexInfo{"IX_A", false, false, false, {Col("a")}});
    catalog_->CreateIndex("T", IndexInfo{"UX_B", false, true, false, {Col("B")}});
    std::string seen;
    for (const auto& index : catalog_->Indexes("T")) {
        seen += index.name + (index.primaryKey ? " pk" : "") + (index.unique ? " unique" : "") + ":";
        for (const auto& column : index.columns) seen += " " + column.name;
        seen += ";";
    }
    EXPECT_EQ(seen, "PrimaryKey pk unique: ID;IX_A: A;IX_BA: B A;sqlite_autoindex_T_1 unique: CODE;UX_B unique: B;");
}

TEST_F(SqliteCatalog, CreatedTableHasItsTypesAutonumberAndNullability) {
    Connect();
    const DataTypeEnum types[] = {adSmallInt, adSingle, adCurrency, adDate, adBoolean, adUnsignedTinyInt, adBigInt,
                                  adGUID, adLongVarBinary, adLongVarWChar, adDBTimeStamp, adVariant};
    TableDef def{"SETTINGS_1A2B3C4D", {Col("ID", adInteger, 0, true, false),
                                       Col("NAME", adVarChar, 30), Col("CODE", adVarWChar),
                                       Col("PRICE", adDecimal)}};
    for (DataTypeEnum type : types) def.columns.push_back(Col(Format("C%d", type), type, 0, false, false));
    def.columns[3].precision = 12;
    def.columns[3].scale = 4;
    catalog_->CreateTable(def);
    const auto columns = catalog_->Columns("settings_1a2b3c4d");
    ASSERT_EQ(columns.size(), def.columns.size());
    for (size_t i = 4; i < columns.size(); ++i) EXPECT_EQ(columns[i].type, def.columns[i].type) << columns[i].name;
    EXPECT_EQ(std::tie(columns[1].type, columns[1].definedSize), std::make_tuple(adVarWChar, 30L));
    EXPECT_EQ(columns[2].definedSize, 255);
    EXPECT_EQ(std::tie(columns[3].type, columns[3].precision, columns[3].scale), std::make_tuple(adNumeric, 12, 4));
    EXPECT_TRUE(columns[0].autoIncrement);
    EXPECT_TRUE(columns[1].nullable);
    EXPECT_FALSE(columns[4].nullable);
    EXPECT_EQ(catalog_->Indexes("SETTINGS_1A2B3C4D")[0].name, "PrimaryKey");
}

class SqliteRebuild : public SqliteCatalog {
protected:
    SqliteRebuild() {
        raw().Exec(
            "CREATE TABLE QUOTAS (ID INT NOT NULL, ENABLE_QUOTA BIT, NAME TEXT COLLATE NOCASE CHECK (length(NAME) < 50),"
            " OWNER INT REFERENCES OWNERS(ID) ON DELETE CASCADE);"
            "CREATE TABLE OWNERS (ID INTEGER PRIMARY KEY, NAME TEXT); CREATE TABLE LOG (MSG TEXT);"
            "INSERT INTO OWNERS VALUES (1, 'o');"
            "INSERT INTO QUOTAS VALUES (5, 1, 'five', 1), (7, 0, 'seven', NULL), (9, NULL, 'nine', 1);"
            "CREATE INDEX IX_QUOTAS_NAME ON QUOTAS (NAME); CREATE UNIQUE INDEX IX_QUOTAS_OWNER_ID ON QUOTAS (OWNER, ID);"
            "CREATE TRIGGER TR_QUOTAS AFTER INSERT ON QUOTAS BEGIN INSERT INTO LOG VALUES ('q' || new.ID); END;"
            "CREATE VIEW QV AS SELECT ID, NAME FROM QUOTAS;");
        Connect();
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
};

TEST_F(SqliteRebuild, ColumnChangesKeepRowsIndexesAndTriggers) {
    const std::tuple<const char*, const char*, _variant_t> changes[] = {
        {"ENABLE_QUOTA", "Default", _variant_t(false)}, {"ID", "Default", _variant_t(-3)},
        {"enable_quota", "Default", _variant_t("x'y")}, {"ENABLE_QUOTA", "Default", _variant_t()},
        {"ID", "Nullable", _variant_t(true)},           {"NAME", "Nullable", _variant_t(false)},
        {"ID", "Autoincrement", _variant_t(true)},      {"ID", "Autoincrement", _variant_t(true)},
    };
    for (const auto& [column, property, value] : changes) {
        SCOPED_TRACE(std::string(column) + " " + property);
        catalog_->SetColumnProperty("quotas", column, property, value);
        const ColumnInfo info = Column("QUOTAS", column);
        const std::string name = property;
        EXPECT_EQ(name == "Default" ? info.defaultValue : _variant_t(name == "Nullable" ? info.nullable : info.autoIncrement),
                  value);
        ExpectKept();
    }
    EXPECT_EQ(Column("QUOTAS", "ID").defaultValue, _variant_t(-3));  // the column's other clauses stay
    EXPECT_EQ(catalog_->Indexes("QUOTAS")[0].name, "PrimaryKey");
    connection_->Execute("INSERT INTO QUOTAS (NAME) VALUES ('next')");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 12);  // 11 was taken once
}

TEST_F(SqliteRebuild, RefusedChangesLeaveTheTableAsItWas) {
    raw().Exec("CREATE TABLE K (CODE TEXT PRIMARY KEY, N INT); INSERT INTO K VALUES ('a', 1);"
               "CREATE TABLE R (ID INTEGER, X INT); INSERT INTO R VALUES ('a', 1), ('b', 2); CREATE INDEX IX_R ON R (X);"
               "CREATE TABLE S (ID INTEGER PRIMARY KEY AUTOINCREMENT);");
    auto set = [&](const char* table, const char* column, const char* property, _variant_t value) {
        return [=, this] { catalog_->SetColumnProperty(table, column, property, value); };
    };
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"QUOTAS", set("QUOTAS", "ENABLE_QUOTA", "Nullable", _variant_t(false)), "1 rows"},
        {"QUOTAS", set("QUOTAS", "ENABLE_QUOTA", "Autoincrement", _variant_t(true)), "1 rows hold NULL"},
        {"QUOTAS", set("QUOTAS", "NAME", "Autoincrement", _variant_t(true)), "not a whole number"},
        {"K", set("K", "N", "Autoincrement", _variant_t(true)), "already has a primary key (over [CODE])"},
        {"S", set("S", "ID", "Autoincrement", _variant_t(false)), "cannot turn the autonumber off"},
        {"QUOTAS", set("QUOTAS", "ID", "Seed", _variant_t(1)), ""},
        {"QUOTAS", set("QUOTAS", "NOPE", "Default", _variant_t(1)), ""},
        // SQLite refuses these values only while the rows are copied: the rebuild rolls back halfway.
        {"R", [&] { catalog_->CreateIndex("R", IndexInfo{"PrimaryKey", true, true, false, {Col("ID")}}); },
         "datatype mismatch"},
        {"K", [&] { catalog_->CreateIndex("K", IndexInfo{"PK2", true, true, false, {Col("N")}}); },
         "already has a primary key"},
        {"K", [&] { catalog_->CreateIndex("K", IndexInfo{"UX", false, true, false, {Col("NOPE")}}); },
         "has no column [NOPE]"},
        {"K", [&] { catalog_->CreateTable(TableDef{"k", {Col("A")}}); }, "already exists"},
        {"K", [&] { catalog_->CreateTable(TableDef{"X", {}}); }, "no columns"},
        {"K", [&] { catalog_->CreateTable(TableDef{"X", {Col("A", adVarWChar, 0, true)}}); },
         "not an integer column"},
    };
    for (const auto& [table, change, says] : cases) {
        SCOPED_TRACE(says);
        const std::string before = Snapshot(table);
        const Raised e = ErrorOf(change);
        EXPECT_NE(e.code, 0);
        EXPECT_THAT(e.text, HasSubstr(says));
        EXPECT_EQ(Snapshot(table), before);
    }
    connection_->BeginTrans();  // the connection is out of every failed transaction
    connection_->Execute("INSERT INTO R VALUES ('c', 3)");
    connection_->CommitTrans();
    ExpectKept();
}

TEST_F(SqliteRebuild, KeepsTheAutonumberCounterForeignKeysAndTheUsersTransaction) {
    raw().Exec("CREATE TABLE S (ID INTEGER PRIMARY KEY AUTOINCREMENT, X INT); INSERT INTO S (X) VALUES (1), (2), (3);"
               "DELETE FROM S WHERE ID = 3; CREATE TABLE CHILD (S_ID INT REFERENCES S(ID) ON DELETE CASCADE);"
               "INSERT INTO CHILD VALUES (1), (2);");
    connection_->Execute("PRAGMA foreign_keys = ON");
    catalog_->SetColumnProperty("S", "X", "Default", _variant_t(0));
    EXPECT_EQ(raw().Query("SELECT count(*) FROM CHILD"), "2");  // dropping the old table set off no cascade
    connection_->Execute("INSERT INTO S (X) VALUES (4)");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 4);
    connection_->BeginTrans();
    EXPECT_THAT(ErrorOf([&] { catalog_->SetColumnProperty("S", "X", "Default", _variant_t(2)); }).text,
                HasSubstr("inside a transaction while foreign keys are enforced"));
    connection_->Execute("PRAGMA foreign_keys = OFF");
    catalog_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(1));
    connection_->RollbackTrans();
    EXPECT_TRUE(Column("QUOTAS", "ENABLE_QUOTA").defaultValue.IsEmpty());
    ExpectKept();
}

}  // namespace
}  // namespace veltmoor::test
