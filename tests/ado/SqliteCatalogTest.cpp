// The SQLite catalog's column changes by rebuilding a table: they keep every row, index
// and trigger, or are refused with the table left as it was.
#include <functional>
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
    const std::tuple<const char*, DataTypeEnum, long, int> cases[] = {  // declared, type, size, precision
        {"COUNTER", adInteger, 0, 0},      {"LONG", adInteger, 0, 0},        {"SHORT", adSmallInt, 0, 0},   {"BYTE", adUnsignedTinyInt, 0, 0},
        {"UNSIGNED BIG INT", adBigInt, 0, 0}, {"IEEEDOUBLE", adDouble, 0, 0}, {"SINGLE", adSingle, 0, 0},  {"CURRENCY", adCurrency, 0, 0},
        {"YESNO", adBoolean, 0, 0},        {"LOGICAL", adBoolean, 0, 0},     {"BIT", adBoolean, 0, 0},      {"numeric(12, 4)", adNumeric, 0, 12},
        {"DECIMAL", adNumeric, 0, 18},     {"DATETIME", adDate, 0, 0},       {"TIMESTAMP", adDBTimeStamp, 0, 0}, {"MEMO", adLongVarWChar, 0, 0},
        {"TEXT(50)", adVarWChar, 50, 0},   {"varchar (40)", adVarWChar, 40, 0}, {"NVARCHAR", adVarWChar, 255, 0}, {"CHAR(1)", adWChar, 1, 0},
        {"LONGBINARY", adLongVarBinary, 0, 0}, {"VARBINARY(16)", adVarBinary, 16, 0}, {"GUID", adGUID, 0, 0}, {"UNIQUEIDENTIFIER", adGUID, 0, 0},
        {"SMALLINTEGER", adInteger, 0, 0}, {"VARYCHAR(9)", adVarWChar, 9, 0}, {"MYTEXT", adLongVarWChar, 0, 0}, {"BLOBBY", adLongVarBinary, 0, 0},
        {"FLOATING", adDouble, 0, 0},      {"WHATEVER", adNumeric, 0, 18},   {"CHAR/* code */(3)", adWChar, 3, 0},
        {"VARCHAR(-5)", adVarWChar, 255, 0},  // a size below one counts as none
    };
    std::string sql = "CREATE TABLE TYPES (";
    for (size_t i = 0; i < std::size(cases); ++i) sql += (i ? ", C" : "C") + std::to_string(i) + " " + std::get<0>(cases[i]);
    raw().Exec(sql + ")");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [declared, type, size, precision] = cases[i];
        const ColumnInfo c = Column("TYPES", "C" + std::to_string(i));
        EXPECT_EQ(std::tuple(c.type, c.definedSize, c.precision), std::tuple(type, size, precision)) << declared;
    }
    EXPECT_EQ(Column("TYPES", "C11").scale, 4);
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

// A new table: its one autonumber numbers the rows, its other columns keep their kind,
// and a definition SQLite cannot hold is refused before anything is made.
TEST_F(SqliteCatalog, NewTablesTakeOneIntegerAutonumber) {
    const ColumnInfo id{"ID", adInteger, 0, 0, 0, true, true, {}}, name{"NAME", adVarWChar, 20, 0, 0, false, false, _variant_t("x")};
    EXPECT_EQ(ErrorOf([&] { catalog_->Columns("made"); }).Error(), hr::kNoTable);  // asked before it is made
    catalog_->CreateTable({"MADE", {id, name}});
    EXPECT_EQ(Column("made", "NAME").definedSize, 20);
    EXPECT_EQ(raw().Query("SELECT sql FROM sqlite_master WHERE name = 'MADE'"),
              "CREATE TABLE \"MADE\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"NAME\" VARCHAR(20) NOT NULL DEFAULT 'x')");
    ColumnInfo text = name;
    text.autoIncrement = true;
    const std::pair<TableDef, const char*> refused[] = {
        {{"TWO", {id, id}}, "can have only one autonumber column"}, {{"TEXT", {text}}, "it is not an integer column"},
        {{"NONE", {}}, "has no columns"}, {{"", {id}}, "needs a name"}, {{"NAMELESS", {ColumnInfo()}}, "has no name"}};
    for (const auto& [table, says] : refused) {
        EXPECT_THAT(ErrorOf([&] { catalog_->CreateTable(table); }).Description(), HasSubstr(says));
        EXPECT_EQ(raw().Query("SELECT count(*) FROM sqlite_master WHERE name = '" + table.name + "'"), "0") << says;
    }
}

TEST_F(SqliteCatalog, RefusedChangesLeaveTheTableAsItWas) {
    raw().Exec("CREATE TABLE K (CODE TEXT PRIMARY KEY, N INT); INSERT INTO K VALUES ('a', 1);"
               "CREATE TABLE R (ID INTEGER, X INT); INSERT INTO R VALUES ('a', 1), ('b', 2); CREATE INDEX IX_R ON R (X);"
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
        {"QUOTAS", set("QUOTAS", "NAME", "Autoincrement", _variant_t(true)), "not a whole number"},
        {"K", set("K", "N", "Autoincrement", _variant_t(true)), "already has a primary key (over [CODE])"},
        {"K2", set("K2", "A", "Autoincrement", _variant_t(true)), "already has a primary key (over [A], [B])"},
        {"S", set("S", "ID", "Autoincrement", _variant_t(false)), "cannot turn the autonumber off"},
        {"QUOTAS", set("QUOTAS", "ID", "Seed", _variant_t(1)), ""},
        {"R", key("R", "PrimaryKey", "ID", true), "datatype mismatch"},  // found halfway through copying the rows
        {"K", key("K", "UX", "NOPE", false), "has no column [NOPE]"},
    };
    for (const auto& [table, change, says] : cases) {
        SCOPED_TRACE(says);
        const std::string snapshot = "SELECT * FROM sqlite_master, " + std::string(table) + " ORDER BY 1, 2";
        const std::string before = raw().Query(snapshot);
        const _com_error e = ErrorOf(change);
        EXPECT_NE(e.Error(), 0);
        EXPECT_THAT(e.Description(), HasSubstr(says));
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
    EXPECT_THAT(ErrorOf([&] { catalog_->SetColumnProperty("S", "X", "Default", _variant_t(2)); }).Description(),
                HasSubstr("inside a transaction while foreign keys are enforced"));
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
