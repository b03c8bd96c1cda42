// The SQLite catalog: what it reports of tables, columns and indexes, the tables
// and indexes it creates, and the
// column changes made by rebuilding a table, which must keep every row, index and
// trigger, or refuse and leave the table as it was.
#include <gtest/gtest.h>

#include "base/CString.h"
#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

using namespace ado;

class SqliteCatalog : public SqliteTest {
protected:
    void Connect() {
        connection_ = Open();
        backend_ = connection_->Catalog();
    }
    ColumnInfo Column(const std::string& table, const std::string& column) {
        for (const auto& info : backend_->Columns(table))
            if (EqualsNoCase(info.name, column)) return info;
        ADD_FAILURE() << "no column " << column;
        return {};
    }
    // The whole schema and every row of a table, to see that a refused change touched nothing.
    std::string Snapshot(const std::string& table) {
        std::string out;
        for (const auto& row : raw().Rows("SELECT type, name, sql FROM sqlite_master ORDER BY name")) out += row + "\n";
        for (const auto& row : raw().Rows("SELECT * FROM " + table + " ORDER BY rowid")) out += row + "\n";
        return out;
    }
    void ExpectHealthy() {
        EXPECT_EQ(raw().Scalar("PRAGMA integrity_check"), "ok");
        EXPECT_TRUE(raw().Rows("PRAGMA foreign_key_check").empty());
    }

    ConnectionPtr connection_;
    std::shared_ptr<CatalogBackend> backend_;
};

TEST_F(SqliteCatalog, TablesAreTheUserTables) {
    raw().Exec(
        "CREATE TABLE settings (ID INTEGER PRIMARY KEY AUTOINCREMENT);"  // makes sqlite_sequence
        "CREATE TABLE ACCOUNTS (ID INTEGER);"
        "CREATE TABLE \"Odd [Name]\" (X);"
        "CREATE VIEW V AS SELECT * FROM ACCOUNTS;");
    Connect();
    EXPECT_EQ(backend_->TableNames(), (std::vector<std::string>{"ACCOUNTS", "Odd [Name]", "settings"}));
    HRESULT code = 0;
    ErrorOf([&] { backend_->Columns("NOPE"); }, &code);
    EXPECT_EQ(code, hr::kNoTable);
}

TEST_F(SqliteCatalog, ColumnTypesFollowTheDeclaredTypes) {
    struct Case {
        const char* declared;
        DataTypeEnum type;
        long size;
        int precision;
        int scale;
    };
    const Case cases[] = {
        {"INTEGER", adInteger, 0, 0, 0},          {"int", adInteger, 0, 0, 0},
        {"LONG", adInteger, 0, 0, 0},             {"SMALLINT", adSmallInt, 0, 0, 0},
        {"TINYINT", adUnsignedTinyInt, 0, 0, 0},  {"BIGINT", adBigInt, 0, 0, 0},
        {"TEXT", adLongVarWChar, 0, 0, 0},        {"MEMO", adLongVarWChar, 0, 0, 0},
        {"TEXT(40)", adVarWChar, 40, 0, 0},       {"VARCHAR", adVarWChar, 255, 0, 0},
        {"NVARCHAR(50)", adVarWChar, 50, 0, 0},   {"varchar ( 12 )", adVarWChar, 12, 0, 0},
        {"CHAR(3)", adWChar, 3, 0, 0},            {"REAL", adDouble, 0, 0, 0},
        {"DOUBLE", adDouble, 0, 0, 0},            {"DOUBLE PRECISION", adDouble, 0, 0, 0},
        {"FLOAT", adDouble, 0, 0, 0},             {"FLOAT4", adSingle, 0, 0, 0},
        {"BIT", adBoolean, 0, 0, 0},              {"BOOLEAN", adBoolean, 0, 0, 0},
        {"YESNO", adBoolean, 0, 0, 0},            {"DECIMAL(10,2)", adNumeric, 0, 10, 2},
        {"NUMERIC(5)", adNumeric, 0, 5, 0},       {"NUMERIC", adNumeric, 0, 18, 0},
        {"DATETIME", adDate, 0, 0, 0},            {"DATE", adDate, 0, 0, 0},
        {"BLOB", adLongVarBinary, 0, 0, 0},       {"VARBINARY(16)", adVarBinary, 16, 0, 0},
        {"CURRENCY", adCurrency, 0, 0, 0},        {"GUID", adGUID, 0, 0, 0},
        {"", adVariant, 0, 0, 0},                 {"UNSIGNED BIG INT", adBigInt, 0, 0, 0},
        {"MYINTEGERISH", adInteger, 0, 0, 0},     {"NATIVE STRINGCHAR(9)", adVarWChar, 9, 0, 0},
        {"ODDCLOB", adLongVarWChar, 0, 0, 0},     {"SOMEFLOAT", adDouble, 0, 0, 0},
        {"WHATEVER", adNumeric, 0, 18, 0},
    };
    std::string sql = "CREATE TABLE T (";
    for (size_t i = 0; i < std::size(cases); ++i) sql += Format("%sC%zu %s", i ? ", " : "", i, cases[i].declared);
    raw().Exec(sql + ")");
    Connect();
    const auto columns = backend_->Columns("t");
    ASSERT_EQ(columns.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(columns[i].type, cases[i].type) << cases[i].declared;
        EXPECT_EQ(columns[i].definedSize, cases[i].size) << cases[i].declared;
        EXPECT_EQ(columns[i].precision, cases[i].precision) << cases[i].declared;
        EXPECT_EQ(columns[i].scale, cases[i].scale) << cases[i].declared;
    }
}

TEST_F(SqliteCatalog, ColumnProperties) {
    raw().Exec(
        "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(20) NOT NULL DEFAULT 'a''b', N INT DEFAULT -5,"
        " R REAL DEFAULT 1.5, B BIT DEFAULT TRUE, Z DEFAULT NULL, E DEFAULT (1 + 2), S TEXT DEFAULT CURRENT_TIMESTAMP,"
        " H INT DEFAULT 0x10, P INT DEFAULT (7), PLAIN INT);"
        "CREATE TABLE U (ID INT PRIMARY KEY, X INTEGER);"
        "CREATE TABLE W (A INTEGER, B INTEGER, PRIMARY KEY (A, B));"
        "CREATE TABLE D (ID INTEGER PRIMARY KEY DESC, X);");
    Connect();
    const ColumnInfo id = Column("T", "ID");
    EXPECT_TRUE(id.autoIncrement);
    EXPECT_FALSE(id.nullable);
    EXPECT_TRUE(id.defaultValue.IsEmpty());
    EXPECT_FALSE(Column("T", "NAME").nullable);
    EXPECT_TRUE(Column("T", "PLAIN").nullable);
    EXPECT_FALSE(Column("T", "PLAIN").autoIncrement);
    EXPECT_EQ(Column("T", "NAME").defaultValue, _variant_t("a'b"));
    EXPECT_EQ(Column("T", "N").defaultValue, _variant_t(-5));
    EXPECT_EQ(Column("T", "R").defaultValue, _variant_t(1.5));
    EXPECT_EQ(Column("T", "B").defaultValue, _variant_t(true));
    EXPECT_TRUE(Column("T", "Z").defaultValue.IsNull());
    EXPECT_EQ(Column("T", "E").defaultValue, _variant_t("1 + 2"));
    EXPECT_EQ(Column("T", "S").defaultValue, _variant_t("CURRENT_TIMESTAMP"));
    EXPECT_EQ(Column("T", "H").defaultValue, _variant_t(16));
    EXPECT_EQ(Column("T", "P").defaultValue, _variant_t(7));
    EXPECT_TRUE(Column("T", "PLAIN").defaultValue.IsEmpty());
    // Only an INTEGER PRIMARY KEY numbers the rows.
    EXPECT_FALSE(Column("U", "ID").autoIncrement);
    EXPECT_FALSE(Column("W", "A").autoIncrement);
    EXPECT_FALSE(Column("D", "ID").autoIncrement);
}

TEST_F(SqliteCatalog, IndexesAsJetNamesThem) {
    raw().Exec(
        "CREATE TABLE T (ID INTEGER PRIMARY KEY, CODE TEXT UNIQUE, A INT, B INT);"
        "CREATE INDEX IX_BA ON T (B, A);"
        "CREATE UNIQUE INDEX ix_a ON T (A);"
        "CREATE TABLE W (A INTEGER, B TEXT, PRIMARY KEY (B, A)) WITHOUT ROWID;"
        "CREATE TABLE N (X INT);");
    Connect();
    const auto indexes = backend_->Indexes("T");
    ASSERT_EQ(indexes.size(), 4u);
    EXPECT_EQ(indexes[0].name, "PrimaryKey");
    EXPECT_TRUE(indexes[0].primaryKey);
    EXPECT_TRUE(indexes[0].unique);
    EXPECT_FALSE(indexes[0].clustered);
    ASSERT_EQ(indexes[0].columns.size(), 1u);
    EXPECT_EQ(indexes[0].columns[0].name, "ID");
    EXPECT_EQ(indexes[1].name, "ix_a");
    EXPECT_TRUE(indexes[1].unique);
    EXPECT_EQ(indexes[2].name, "IX_BA");
    EXPECT_FALSE(indexes[2].unique);
    ASSERT_EQ(indexes[2].columns.size(), 2u);
    EXPECT_EQ(indexes[2].columns[0].name, "B");
    EXPECT_EQ(indexes[2].columns[1].name, "A");
    EXPECT_EQ(indexes[2].columns[1].type, adInteger);
    EXPECT_EQ(indexes[3].name, "sqlite_autoindex_T_1");
    EXPECT_TRUE(indexes[3].unique);
    EXPECT_FALSE(indexes[3].primaryKey);

    const auto w = backend_->Indexes("W");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].name, "PrimaryKey");
    ASSERT_EQ(w[0].columns.size(), 2u);
    EXPECT_EQ(w[0].columns[0].name, "B");
    EXPECT_TRUE(backend_->Indexes("N").empty());
}

// A column as CreateTable describes it: name, type, size, autonumber, nullability.
ColumnInfo NewColumn(const std::string& name, DataTypeEnum type, long size, bool autoIncrement, bool nullable) {
    ColumnInfo column;
    column.name = name;
    column.type = type;
    column.definedSize = size;
    column.autoIncrement = autoIncrement;
    column.nullable = nullable;
    return column;
}

TEST_F(SqliteCatalog, CreatedTableHasItsAutonumberAndNullability) {
    Connect();
    backend_->CreateTable(TableDef{"SETTINGS_1A2B3C4D",
                                   {NewColumn("ID", adInteger, 0, true, false), NewColumn("NAME", adVarWChar, 64, false, true),
                                    NewColumn("ALLOW_ANONYMOUS", adBoolean, 0, false, false),
                                    NewColumn("NOTE", adLongVarWChar, 0, false, true),
                                    NewColumn("PRICE", adNumeric, 0, false, true)}});

    ASSERT_EQ(backend_->Columns("settings_1a2b3c4d").size(), 5u);
    EXPECT_TRUE(Column("SETTINGS_1A2B3C4D", "ID").autoIncrement);
    EXPECT_FALSE(Column("SETTINGS_1A2B3C4D", "NAME").autoIncrement);
    EXPECT_TRUE(Column("SETTINGS_1A2B3C4D", "NAME").nullable);
    EXPECT_FALSE(Column("SETTINGS_1A2B3C4D", "ALLOW_ANONYMOUS").nullable);
    EXPECT_EQ(Column("SETTINGS_1A2B3C4D", "NAME").type, adVarWChar);
    EXPECT_EQ(Column("SETTINGS_1A2B3C4D", "NAME").definedSize, 64);
    EXPECT_EQ(Column("SETTINGS_1A2B3C4D", "ALLOW_ANONYMOUS").type, adBoolean);
    EXPECT_EQ(Column("SETTINGS_1A2B3C4D", "NOTE").type, adLongVarWChar);
    EXPECT_EQ(Column("SETTINGS_1A2B3C4D", "PRICE").type, adNumeric);
    EXPECT_EQ(backend_->Indexes("SETTINGS_1A2B3C4D")[0].name, "PrimaryKey");

    // The autonumber numbers rows; NOT NULL holds.
    connection_->Execute("INSERT INTO SETTINGS_1A2B3C4D (NAME, ALLOW_ANONYMOUS) VALUES ('a', 0)");
    connection_->Execute("INSERT INTO SETTINGS_1A2B3C4D (NAME, ALLOW_ANONYMOUS) VALUES (NULL, 1)");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 2);
    EXPECT_THROW(connection_->Execute("INSERT INTO SETTINGS_1A2B3C4D (NAME) VALUES ('b')"), _com_error);
}

// An index over one column as CreateIndex describes it.
IndexInfo NewIndex(const std::string& name, const std::string& column, bool primary, bool unique) {
    IndexInfo index;
    index.name = name;
    index.primaryKey = primary;
    index.unique = unique;
    index.columns.push_back(NewColumn(column, adInteger, 0, false, false));
    return index;
}

TEST_F(SqliteCatalog, CreatedTypesReadBackAsCreated) {
    Connect();
    struct Case {
        DataTypeEnum type;
        long size;
        DataTypeEnum readBack;
        long sizeBack;
    };
    const Case cases[] = {
        {adSmallInt, 0, adSmallInt, 0},        {adInteger, 0, adInteger, 0},
        {adSingle, 0, adSingle, 0},            {adDouble, 0, adDouble, 0},
        {adCurrency, 0, adCurrency, 0},        {adDate, 0, adDate, 0},
        {adBoolean, 0, adBoolean, 0},          {adVariant, 0, adVariant, 0},
        {adDecimal, 0, adNumeric, 0},          {adUnsignedTinyInt, 0, adUnsignedTinyInt, 0},
        {adBigInt, 0, adBigInt, 0},            {adGUID, 0, adGUID, 0},
        {adBinary, 8, adBinary, 8},            {adVarBinary, 0, adVarBinary, 255},
        {adLongVarBinary, 0, adLongVarBinary, 0}, {adWChar, 2, adWChar, 2},
        {adVarWChar, 0, adVarWChar, 255},      {adVarChar, 30, adVarWChar, 30},
        {adLongVarWChar, 0, adLongVarWChar, 0}, {adDBTimeStamp, 0, adDBTimeStamp, 0},
    };
    TableDef def{"TYPES", {}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        ColumnInfo column;
        column.name = Format("C%zu", i);
        column.type = cases[i].type;
        column.definedSize = cases[i].size;
        def.columns.push_back(column);
    }
    def.columns[8].precision = 12;
    def.columns[8].scale = 4;
    backend_->CreateTable(def);
    const auto columns = backend_->Columns("TYPES");
    ASSERT_EQ(columns.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(columns[i].type, cases[i].readBack) << "type " << cases[i].type;
        EXPECT_EQ(columns[i].definedSize, cases[i].sizeBack) << "type " << cases[i].type;
    }
    EXPECT_EQ(columns[8].precision, 12);
    EXPECT_EQ(columns[8].scale, 4);

    ColumnInfo bad;
    bad.name = "X";
    bad.type = adEmpty;
    HRESULT code = 0;
    EXPECT_NE(ErrorOf([&] { backend_->CreateTable(TableDef{"BAD", {bad}}); }, &code).find("type 0"), std::string::npos);
    EXPECT_EQ(code, hr::kNotSupported);
}

TEST_F(SqliteCatalog, CreateTableRefusals) {
    raw().Exec("CREATE TABLE T (ID INTEGER)");
    Connect();
    ColumnInfo a;
    a.name = "A";
    a.autoIncrement = true;
    ColumnInfo b = a;
    b.name = "B";
    EXPECT_NE(ErrorOf([&] { backend_->CreateTable(TableDef{"X", {a, b}}); }).find("only one autonumber"),
              std::string::npos);
    ColumnInfo text = a;
    text.type = adVarWChar;
    EXPECT_NE(ErrorOf([&] { backend_->CreateTable(TableDef{"X", {text}}); }).find("not an integer column"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { backend_->CreateTable(TableDef{"X", {}}); }).find("no columns"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { backend_->CreateTable(TableDef{"t", {a}}); }).find("already exists"), std::string::npos);
    // A name with quotes and brackets is quoted properly.
    ColumnInfo odd;
    odd.name = "we\"ird [col]";
    odd.defaultValue = _variant_t("it's");
    backend_->CreateTable(TableDef{"Tab\"le", {odd}});
    EXPECT_EQ(Column("Tab\"le", "we\"ird [col]").defaultValue, _variant_t("it's"));
}

TEST_F(SqliteCatalog, AppendedIndexesUniqueAndPlain) {
    raw().Exec(
        "CREATE TABLE ACCOUNTS (ID INTEGER PRIMARY KEY, NAME VARCHAR(50), SETTINGS_ID INT);"
        "INSERT INTO ACCOUNTS (NAME, SETTINGS_ID) VALUES ('a', 1), ('b', 1);");
    Connect();
    auto append = [&](const std::string& name, const std::string& column, bool primary, bool unique) {
        backend_->CreateIndex("ACCOUNTS", NewIndex(name, column, primary, unique));
    };
    append("IX_SETTINGS", "settings_id", false, false);
    append("IX_NAME", "NAME", false, true);
    const auto indexes = backend_->Indexes("ACCOUNTS");
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[1].name, "IX_NAME");
    EXPECT_TRUE(indexes[1].unique);
    EXPECT_EQ(indexes[2].name, "IX_SETTINGS");
    EXPECT_FALSE(indexes[2].unique);
    EXPECT_EQ(indexes[2].columns[0].name, "SETTINGS_ID");

    // Duplicate values refuse a unique index, and nothing is left behind.
    HRESULT code = 0;
    const std::string why = ErrorOf([&] { append("IX_DUP", "SETTINGS_ID", false, true); }, &code);
    EXPECT_EQ(code, hr::kIntegrityViolation);
    EXPECT_NE(why.find("UNIQUE constraint failed"), std::string::npos) << why;
    EXPECT_EQ(backend_->Indexes("ACCOUNTS").size(), 3u);
    // A key column that does not exist is an error, not an index over a text constant.
    EXPECT_NE(ErrorOf([&] { append("IX_NONE", "NOPE", false, false); }).find("has no column [NOPE]"), std::string::npos);
    // A second primary key is refused with the reason, table untouched.
    const std::string before = Snapshot("ACCOUNTS");
    const std::string second = ErrorOf([&] { append("PK2", "NAME", true, true); });
    EXPECT_NE(second.find("already has a primary key"), std::string::npos) << second;
    EXPECT_EQ(Snapshot("ACCOUNTS"), before);
}

class SqliteRebuild : public SqliteCatalog {
protected:
    SqliteRebuild() {
        raw().Exec(
            "CREATE TABLE QUOTAS (ID INT NOT NULL, ENABLE_QUOTA BIT, NAME TEXT COLLATE NOCASE CHECK (length(NAME) < 50),"
            " OWNER INT REFERENCES OWNERS(ID) ON DELETE CASCADE);"
            "CREATE TABLE OWNERS (ID INTEGER PRIMARY KEY, NAME TEXT);"
            "CREATE TABLE LOG (MSG TEXT);"
            "INSERT INTO OWNERS VALUES (1, 'o');"
            "INSERT INTO QUOTAS VALUES (5, 1, 'five', 1), (7, 0, 'seven', NULL), (9, NULL, 'nine', 1);"
            "CREATE INDEX IX_QUOTAS_NAME ON QUOTAS (NAME);"
            "CREATE UNIQUE INDEX IX_QUOTAS_OWNER_ID ON QUOTAS (OWNER, ID);"
            "CREATE TRIGGER TR_QUOTAS AFTER INSERT ON QUOTAS BEGIN INSERT INTO LOG VALUES ('q' || new.ID); END;"
            "CREATE VIEW QV AS SELECT ID, NAME FROM QUOTAS;");
        Connect();
    }
    void ExpectKept() {
        EXPECT_EQ(raw().Scalar("SELECT group_concat(ID || ':' || ifnull(ENABLE_QUOTA, 'null') || ':' || NAME, ',') "
                               "FROM (SELECT * FROM QUOTAS ORDER BY ID)"),
                  "5:1:five,7:0:seven,9:null:nine");
        EXPECT_EQ(raw().Rows("SELECT name FROM sqlite_master WHERE tbl_name = 'QUOTAS' AND name NOT LIKE 'sqlite%' ORDER BY name"),
                  (std::vector<std::string>{"IX_QUOTAS_NAME", "IX_QUOTAS_OWNER_ID", "QUOTAS", "TR_QUOTAS"}));
        EXPECT_EQ(raw().Scalar("SELECT count(*) FROM QV"), "3");
        // The trigger still fires; the collation and the check still hold.
        raw().Exec("INSERT INTO QUOTAS (ID, NAME) VALUES (11, 'ELEVEN')");
        EXPECT_EQ(raw().Scalar("SELECT group_concat(MSG) FROM LOG"), "q11");
        EXPECT_EQ(raw().Scalar("SELECT ID FROM QUOTAS WHERE NAME = 'eleven'"), "11");
        EXPECT_NE(raw().TryExec("INSERT INTO QUOTAS (ID, NAME) VALUES (12, printf('%060d', 1))"), SQLITE_OK);
        ExpectHealthy();
    }
};

TEST_F(SqliteRebuild, DefaultKeepsRowsIndexesTriggers) {
    backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(false));
    EXPECT_EQ(Column("QUOTAS", "ENABLE_QUOTA").defaultValue, _variant_t(false));
    backend_->SetColumnProperty("QUOTAS", "ID", "Default", _variant_t(-3));
    EXPECT_EQ(Column("QUOTAS", "ID").defaultValue, _variant_t(-3));
    EXPECT_FALSE(Column("QUOTAS", "ID").nullable);  // the other clauses of the column stay
    ExpectKept();
    EXPECT_EQ(raw().Scalar("SELECT ENABLE_QUOTA FROM QUOTAS WHERE ID = 11"), "0");
    // Changing it again replaces the default; the empty variant removes it.
    backend_->SetColumnProperty("quotas", "enable_quota", "Default", _variant_t("x'y"));
    EXPECT_EQ(Column("QUOTAS", "ENABLE_QUOTA").defaultValue, _variant_t("x'y"));
    backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t());
    EXPECT_TRUE(Column("QUOTAS", "ENABLE_QUOTA").defaultValue.IsEmpty());
    ExpectHealthy();
}

TEST_F(SqliteRebuild, NullableBothWays) {
    backend_->SetColumnProperty("QUOTAS", "ID", "Nullable", _variant_t(true));
    EXPECT_TRUE(Column("QUOTAS", "ID").nullable);
    backend_->SetColumnProperty("QUOTAS", "NAME", "Nullable", _variant_t(false));
    EXPECT_FALSE(Column("QUOTAS", "NAME").nullable);
    ExpectKept();

    const std::string before = Snapshot("QUOTAS");
    HRESULT code = 0;
    const std::string why =
        ErrorOf([&] { backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Nullable", _variant_t(false)); }, &code);
    EXPECT_NE(why.find("2 rows"), std::string::npos) << why;  // 9, and 11 from ExpectKept
    EXPECT_EQ(code, hr::kIntegrityViolation);
    EXPECT_EQ(Snapshot("QUOTAS"), before);
}

TEST_F(SqliteRebuild, AutoincrementMakesTheColumnTheRowid) {
    backend_->SetColumnProperty("QUOTAS", "ID", "Autoincrement", _variant_t(true));
    EXPECT_TRUE(Column("QUOTAS", "ID").autoIncrement);
    EXPECT_EQ(backend_->Indexes("QUOTAS")[0].name, "PrimaryKey");
    ExpectKept();  // inserts ID 11 explicitly
    connection_->Execute("INSERT INTO QUOTAS (NAME) VALUES ('next')");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 12);
    // Asking again changes nothing; turning it off is refused.
    backend_->SetColumnProperty("QUOTAS", "ID", "Autoincrement", _variant_t(true));
    EXPECT_NE(ErrorOf([&] { backend_->SetColumnProperty("QUOTAS", "ID", "Autoincrement", _variant_t(false)); })
                  .find("cannot turn the autonumber off"),
              std::string::npos);
}

TEST_F(SqliteRebuild, AutoincrementRefusedWhenValuesDoNotFit) {
    struct Case {
        const char* setup;
        const char* column;
        const char* fragment;
    };
    const Case cases[] = {
        {"INSERT INTO QUOTAS (ID, NAME) VALUES (5, 'again')", "ID", "more than one row"},
        {"SELECT 1", "ENABLE_QUOTA", "1 rows hold NULL"},
        {"SELECT 1", "NAME", "not a whole number"},
    };
    for (const auto& c : cases) {
        raw().Exec(c.setup);
        const std::string before = Snapshot("QUOTAS");
        const std::string why =
            ErrorOf([&] { backend_->SetColumnProperty("QUOTAS", c.column, "Autoincrement", _variant_t(true)); });
        EXPECT_NE(why.find(c.fragment), std::string::npos) << why;
        EXPECT_EQ(Snapshot("QUOTAS"), before);
        raw().Exec("DELETE FROM QUOTAS WHERE NAME = 'again'");
    }
    raw().Exec("CREATE TABLE K (CODE TEXT PRIMARY KEY, N INT); INSERT INTO K VALUES ('a', 1);");
    const std::string before = Snapshot("K");
    const std::string why = ErrorOf([&] { backend_->SetColumnProperty("K", "N", "Autoincrement", _variant_t(true)); });
    EXPECT_NE(why.find("already has a primary key (over [CODE])"), std::string::npos) << why;
    EXPECT_EQ(Snapshot("K"), before);
}

TEST_F(SqliteRebuild, PrimaryKeyIndexOnATableWithoutOne) {
    backend_->CreateIndex("QUOTAS", NewIndex("PrimaryKey", "ID", true, true));
    const auto indexes = backend_->Indexes("QUOTAS");
    ASSERT_FALSE(indexes.empty());
    EXPECT_TRUE(indexes[0].primaryKey);
    EXPECT_EQ(indexes[0].name, "PrimaryKey");
    EXPECT_EQ(indexes[0].columns[0].name, "ID");
    ExpectKept();
}

TEST_F(SqliteRebuild, FailureHalfwayRollsEverythingBack) {
    // Values SQLite refuses only while copying the rows: text in a column that
    // becomes the INTEGER rowid.
    raw().Exec("CREATE TABLE R (ID INTEGER, X INT); INSERT INTO R VALUES ('a', 1), ('b', 2); CREATE INDEX IX_R ON R (X);");
    const std::string before = Snapshot("R");
    HRESULT code = 0;
    const std::string why =
        ErrorOf([&] { backend_->CreateIndex("R", NewIndex("PrimaryKey", "ID", true, false)); }, &code);
    EXPECT_NE(why.find("datatype mismatch"), std::string::npos) << why;
    EXPECT_EQ(code, hr::kIntegrityViolation);
    EXPECT_EQ(Snapshot("R"), before);  // no half-built table left behind either
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM sqlite_master WHERE name LIKE '%veltmoor%'"), "0");
    // The connection is out of the failed transaction and works on.
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO R VALUES ('c', 3)");
    connection_->CommitTrans();
    ExpectHealthy();
}

TEST_F(SqliteRebuild, ForeignKeysAlreadyBrokenDoNotBlockAChange) {
    raw().Exec("INSERT INTO QUOTAS (ID, NAME, OWNER) VALUES (20, 'dangling', 99)");
    backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(0));
    EXPECT_EQ(Column("QUOTAS", "ENABLE_QUOTA").defaultValue, _variant_t(0));
    EXPECT_EQ(raw().Rows("PRAGMA foreign_key_check").size(), 1u);
}

TEST_F(SqliteRebuild, InsideAUserTransactionTheRollbackUndoesIt) {
    connection_->BeginTrans();
    backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(1));
    EXPECT_EQ(Column("QUOTAS", "ENABLE_QUOTA").defaultValue, _variant_t(1));
    connection_->RollbackTrans();
    EXPECT_TRUE(Column("QUOTAS", "ENABLE_QUOTA").defaultValue.IsEmpty());
    ExpectKept();

    connection_->BeginTrans();
    backend_->SetColumnProperty("QUOTAS", "ENABLE_QUOTA", "Default", _variant_t(1));
    connection_->CommitTrans();
    EXPECT_EQ(Column("QUOTAS", "ENABLE_QUOTA").defaultValue, _variant_t(1));
}

TEST_F(SqliteRebuild, KeepsTheAutonumberCounterAndForeignKeys) {
    raw().Exec(
        "CREATE TABLE S (ID INTEGER PRIMARY KEY AUTOINCREMENT, X INT);"
        "INSERT INTO S (X) VALUES (1), (2), (3);"
        "DELETE FROM S WHERE ID = 3;"
        "CREATE TABLE CHILD (S_ID INT REFERENCES S(ID) ON DELETE CASCADE);"
        "INSERT INTO CHILD VALUES (1), (2);");
    connection_->Execute("PRAGMA foreign_keys = ON");
    backend_->SetColumnProperty("S", "X", "Default", _variant_t(0));
    // Dropping the old table set off no cascade, and the counter did not go back.
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM CHILD"), "2");
    connection_->Execute("INSERT INTO S (X) VALUES (4)");
    EXPECT_EQ(connection_->Execute("SELECT @@IDENTITY AS ID")->GetField("ID").ToInt32(), 4);
    EXPECT_EQ(connection_->Execute("PRAGMA foreign_keys")->GetField("foreign_keys").ToInt32(), 1);
    ExpectHealthy();
    // Inside a transaction foreign keys cannot be switched off; a referenced table is refused.
    connection_->BeginTrans();
    EXPECT_NE(ErrorOf([&] { backend_->SetColumnProperty("S", "X", "Default", _variant_t(2)); })
                  .find("inside a transaction while foreign keys are enforced"),
              std::string::npos);
    connection_->RollbackTrans();
}

TEST_F(SqliteRebuild, UnknownPropertyAndColumn) {
    HRESULT code = 0;
    ErrorOf([&] { backend_->SetColumnProperty("QUOTAS", "ID", "Seed", _variant_t(1)); }, &code);
    EXPECT_EQ(code, hr::kItemNotFound);
    code = 0;
    ErrorOf([&] { backend_->SetColumnProperty("QUOTAS", "NOPE", "Default", _variant_t(1)); }, &code);
    EXPECT_EQ(code, hr::kItemNotFound);
}

}  // namespace
}  // namespace veltmoor::test
