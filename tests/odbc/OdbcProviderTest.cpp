// The ODBC provider through ADODB.Connection: opening and its failures, values and
// recordsets, the driver's diagnostics, transactions, and the catalog.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::test {
namespace {

using ::testing::HasSubstr;

TEST_F(OdbcSqliteTest, OpenAndTheFailuresOfTheOpen) {
    ConnectionPtr c = CreateConnection();
    c->Open("Provider=msdasql.1;Driver={SQLite3};Database=" + dir_.File("y.db"), "", "", 0);
    EXPECT_EQ(c->Provider(), "MSDASQL.1");
    EXPECT_EQ(ErrorOf([&] { c->Open(ConnectionString(), "", "", 0); }).Error(), hr::kObjectOpen);
    c->Close();
    EXPECT_EQ(ErrorOf([&] { c->Execute("SELECT 1"); }).Error(), hr::kObjectClosed);
    const std::pair<const char*, const char*> cases[] = {
        {"Provider=MSDASQL;DSN=veltmoor-no-such-dsn", "[IM002]"},
        {"Provider=MSDASQL;Driver={Veltmoor No Such Driver};Database=x", "[01000]"},
        // Port 1 refuses at once: FreeTDS reports the failed login.
        {"Provider=SQLOLEDB.1;Driver=FreeTDS;Data Source=127.0.0.1,1;User ID=ftp;Password=x;Connect Timeout=5", "[08001]"},
        {"Provider=SQLOLEDB;Data Source=db1,99999", "port"},
    };
    for (const auto& [cs, says] : cases) {
        const _com_error e = ErrorOf([&] { c->Open(cs, "", "", 0); });
        EXPECT_NE(e.Description().find(says), std::string::npos) << cs << ": " << e.Description();
        EXPECT_EQ(c->State(), adStateClosed);
    }
}

TEST_F(OdbcSqliteTest, ValuesRecordsetsAndDiagnostics) {
    ConnectionPtr c = Open();
    EXPECT_EQ(c->Execute("CREATE TABLE T (ID integer UNIQUE, NAME nvarchar(50), RATIO double, FLAG bit)")->State(),
              adStateClosed);
    std::string body;
    for (int i = 0; body.size() < 20000; ++i) body += "\xC3\xA9" + std::to_string(i);  // crosses every chunk boundary
    c->Execute("INSERT INTO T VALUES (1, 'Z\xC3\xBCrich \xF0\x9F\x93\x81', 2.5, 1), (-7, '" + body +
               "', -0.125, 0), (3, NULL, NULL, NULL)");
    RecordsetPtr rs = c->Execute("SELECT ID AS Idty, NAME, RATIO, FLAG FROM T ORDER BY rowid");
    EXPECT_EQ(rs->GetField("idty"), _variant_t(1));
    EXPECT_EQ(ErrorOf([&] { rs->GetField("NOPE"); }).Error(), hr::kItemNotFound);
    rs->MoveNext();
    EXPECT_EQ(rs->GetField("NAME").AsText(), body);
    rs->MoveFirst();
    EXPECT_EQ(Rows(rs, {"IDTY", "RATIO", "FLAG"}), "1|2.5|True;-7|-0.125|False;3|NULL|NULL");
    const _com_error end = ErrorOf([&] { rs->MoveNext(); });
    EXPECT_EQ(std::pair(end.Error(), end.Source()), std::pair(hr::kNoCurrentRecord, std::string("ADODB.Recordset")));
    rs->Close();
    EXPECT_EQ(ErrorOf([&] { rs->IsEOF(); }).Error(), hr::kObjectClosed);
    c->Execute("CREATE TABLE U (ID integer)");  // the account check's pattern: writing while walking a recordset
    for (RecordsetPtr all = c->Execute("SELECT ID FROM T"); !all->IsEOF(); all->MoveNext()) {
        const std::string id = all->GetField("ID").ToString();
        if (c->Execute("SELECT ID FROM U WHERE ID = " + id)->IsEOF()) c->Execute("INSERT INTO U VALUES (" + id + ")");
    }
    EXPECT_EQ(Rows(c->Execute("SELECT ID FROM U ORDER BY ID"), {"ID"}), "-7;1;3");
    const _com_error syntax = ErrorOf([&] { c->Execute("SELEC 1"); });
    EXPECT_EQ(syntax.Source(), "ODBC provider (MSDASQL)");
    EXPECT_EQ(syntax.Description().rfind("[", 0), 0u) << syntax.Description();
    EXPECT_THAT(syntax.Description(), HasSubstr("syntax error"));
    EXPECT_THAT(ErrorOf([&] { c->Execute("INSERT INTO T (ID) VALUES (1)"); }).Description(), HasSubstr("UNIQUE"));
    EXPECT_EQ(Rows(c->Execute("SELECT COUNT(*) AS N FROM T"), {"N"}), "3");  // usable after each failure
}

TEST_F(OdbcSqliteTest, TransactionsCommitRollBackAndEndWithTheConnection) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (ID integer)");
    EXPECT_EQ(ErrorOf([&] { c->CommitTrans(); }).Error(), hr::kFail);
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (1)");
    for (const bool keep : {false, true}) {  // one inside another is a savepoint: it ends alone
        c->BeginTrans();
        c->Execute("INSERT INTO T VALUES (9)");
        keep ? c->CommitTrans() : c->RollbackTrans();
        EXPECT_EQ(Rows(c->Execute("SELECT ID FROM T"), {"ID"}), keep ? "1;9" : "1");
    }
    c->Execute("CREATE TABLE T2 (ID integer)");
    c->RollbackTrans();
    EXPECT_EQ(ErrorOf([&] { c->RollbackTrans(); }).Error(), hr::kFail);
    EXPECT_TRUE(ErrorOf([&] { c->Execute("SELECT * FROM T2"); }).HasErrorInfo());
    c->Execute("INSERT INTO T VALUES (2)");  // autocommit again
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (3)");
    c->CommitTrans();
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (4)");
    c->Close();  // as the reconnect after a failed table rebuild does
    ConnectionPtr dropped = Open();  // and one released inside a transaction
    dropped->BeginTrans();
    dropped->Execute("INSERT INTO T VALUES (5)");
    dropped = nullptr;
    EXPECT_EQ(Rows(Open()->Execute("SELECT ID FROM T ORDER BY ID"), {"ID"}), "2;3");
}

// Each column as "name type size nullable autonumber default", joined by ';'.
std::string Describe(const std::vector<ColumnInfo>& columns) {
    std::string out;
    for (const ColumnInfo& c : columns)
        out += (out.empty() ? "" : ";") + c.name + " " + std::to_string(c.type) + " " + std::to_string(c.definedSize) +
               (c.nullable ? " null" : "") + (c.autoIncrement ? " auto" : "") +
               (c.defaultValue.IsEmpty() ? "" : " =" + c.defaultValue.ToString());
    return out;
}

TEST_F(OdbcSqliteTest, CatalogReportsAndCreatesTablesColumnsAndIndexes) {
    ConnectionPtr c = Open();
    for (const char* sql : {"CREATE TABLE ACCOUNTS (ID integer PRIMARY KEY AUTOINCREMENT, NAME nvarchar(50) NOT NULL, "
                            "QUOTA integer DEFAULT 0, ENABLED bit NOT NULL DEFAULT 1, NOTE varchar(20) DEFAULT NULL, "
                            "RATIO double, CREATED timestamp)",
                            "CREATE UNIQUE INDEX IX_NAME ON ACCOUNTS (NAME)", "CREATE INDEX IX_PAIR ON ACCOUNTS (QUOTA, ID)",
                            "CREATE TABLE USER_GROUPS (GROUP_ID integer)", "CREATE TABLE USERXGROUPS (MEMO varchar)",
                            "CREATE VIEW ACCOUNT_NAMES AS SELECT NAME FROM ACCOUNTS"})
        c->Execute(sql);
    auto catalog = c->Catalog();
    std::vector<std::string> names = catalog->TableNames();  // without views, nor SQLite's own bookkeeping tables
    std::erase_if(names, [](const std::string& name) { return name.starts_with("sqlite_"); });
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"ACCOUNTS", "USERXGROUPS", "USER_GROUPS"}));
    const std::vector<ColumnInfo> columns = catalog->Columns("ACCOUNTS");
    EXPECT_TRUE(columns[0].autoIncrement);
    EXPECT_EQ(Describe({columns.begin() + 1, columns.end()}),
              "NAME 200 50;QUOTA 3 0 null =0;ENABLED 11 0 =1;NOTE 200 20 null;RATIO 5 0 null;CREATED 135 0 null");
    // Pattern characters in a table's name match only themselves; an unsized text is unbounded.
    EXPECT_EQ(Describe(catalog->Columns("user_groups")), "GROUP_ID 3 0 null");
    EXPECT_GT(catalog->Columns("USERXGROUPS")[0].definedSize, 8000);
    EXPECT_EQ(ErrorOf([&] { catalog->Columns("USER%"); }).Error(), hr::kNoTable);
    catalog->CreateIndex("ACCOUNTS", IndexInfo{"IX_NOTE", false, false, false, {columns[4]}});
    std::vector<std::string> indexes;  // the rowid key has no index of its own and is listed as the primary key
    for (const IndexInfo& i : catalog->Indexes("ACCOUNTS")) {
        indexes.push_back((i.primaryKey ? "PK" : i.name) + (i.unique ? " unique:" : ":"));
        for (const ColumnInfo& k : i.columns) indexes.back() += " " + k.name;
    }
    std::sort(indexes.begin(), indexes.end());
    EXPECT_EQ(indexes, (std::vector<std::string>{"IX_NAME unique: NAME", "IX_NOTE: NOTE", "IX_PAIR: QUOTA ID", "PK unique: ID"}));
    c->Execute("INSERT INTO ACCOUNTS (NAME, NOTE) VALUES ('a', 'x'), ('b', 'x')");
    const IndexInfo unique{"UX_NOTE", false, true, false, {columns[4]}};
    EXPECT_THAT(ErrorOf([&] { catalog->CreateIndex("ACCOUNTS", unique); }).Description(), HasSubstr("UNIQUE"));
    TableDef quotas{"QUOTAS", {columns[1], columns[2]}};
    quotas.columns[1].defaultValue = _variant_t(5);
    catalog->CreateTable(quotas);
    EXPECT_EQ(Describe(catalog->Columns("QUOTAS")), "NAME 200 50;QUOTA 3 0 null =5");
    catalog->CreateIndex("QUOTAS", IndexInfo{"IX_QUOTA", false, false, false, {columns[2]}});  // on a table without a key
    EXPECT_EQ(Describe(catalog->Indexes("QUOTAS")[0].columns), "QUOTA 3 0 null =5");
    EXPECT_EQ(ErrorOf([&] { catalog->SetColumnProperty("ACCOUNTS", "QUOTA", "Autoincrement", _variant_t(true)); }).Error(),
              hr::kNotSupported);
    c->Close();
    EXPECT_EQ(ErrorOf([&] { catalog->TableNames(); }).Error(), hr::kObjectClosed);
}

}  // namespace
}  // namespace veltmoor::ado::test
