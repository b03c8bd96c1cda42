// Statements and recordsets through the ODBC provider.
#include <string>

#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

TEST_F(OdbcSqliteTest, ConnectionReportsProviderVersionAndState) {
    ConnectionPtr c = Open();
    EXPECT_EQ(c->Provider(), "MSDASQL.1");
    EXPECT_EQ(c->Version(), kDataAccessVersion);
    EXPECT_EQ(c->State(), adStateOpen);
    c->Close();
    EXPECT_EQ(c->State(), adStateClosed);
    EXPECT_EQ(ErrorOf([&] { c->Execute("SELECT 1"); }).Error(), hr::kObjectClosed);
    EXPECT_EQ(ErrorOf([&] { c->Catalog(); }).Error(), hr::kObjectClosed);
}

TEST_F(OdbcSqliteTest, ValuesArriveAsVariantsOfTheirKind) {
    ConnectionPtr c = Open();
    EXPECT_EQ(c->Execute("CREATE TABLE T (ID integer, NAME nvarchar(50), RATIO double, FLAG bit, AMOUNT decimal(10,2))")
                  ->State(),
              adStateClosed);
    c->Execute("INSERT INTO T VALUES (1, 'Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x93\x81', 2.5, 1, 12.25)");
    c->Execute("INSERT INTO T VALUES (-7, '', -0.125, 0, 3)");
    c->Execute("INSERT INTO T VALUES (NULL, NULL, NULL, NULL, NULL)");
    RecordsetPtr rs = c->Execute("SELECT ID, NAME, RATIO, FLAG, AMOUNT FROM T ORDER BY rowid");
    ASSERT_EQ(rs->State(), adStateOpen);

    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetField("ID"), _variant_t(1));
    EXPECT_EQ(rs->GetField("NAME"), _variant_t("Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x93\x81"));
    EXPECT_EQ(rs->GetField("RATIO"), _variant_t(2.5));
    EXPECT_TRUE(rs->GetField("FLAG").ToBool());
    EXPECT_DOUBLE_EQ(std::stod(rs->GetField("AMOUNT").ToString()), 12.25);

    rs->MoveNext();
    EXPECT_EQ(rs->GetField("ID").ToInt32(), -7);
    EXPECT_EQ(rs->GetField("NAME"), _variant_t(""));
    EXPECT_EQ(rs->GetField("RATIO"), _variant_t(-0.125));
    EXPECT_FALSE(rs->GetField("FLAG").ToBool());

    rs->MoveNext();
    for (const char* field : {"ID", "NAME", "RATIO", "FLAG", "AMOUNT"})
        EXPECT_TRUE(rs->GetField(field).IsNull()) << field;
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
}

TEST_F(OdbcSqliteTest, LongTextIsReadWhole) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (BODY text)");
    std::string body;
    for (int i = 0; body.size() < 20000; ++i) body += "\xC3\xA9" + std::to_string(i);  // crosses every chunk boundary
    c->Execute("INSERT INTO T VALUES ('" + body + "')");
    RecordsetPtr rs = c->Execute("SELECT BODY FROM T");
    EXPECT_EQ(rs->GetField("BODY").AsText(), body);
}

TEST_F(OdbcSqliteTest, RecordsetNavigationAndFieldLookup) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (ID integer)");
    c->Execute("INSERT INTO T VALUES (1)");
    c->Execute("INSERT INTO T VALUES (2)");
    RecordsetPtr rs = c->Execute("SELECT ID AS Idty FROM T ORDER BY ID");
    EXPECT_EQ(rs->GetField("idty").ToInt32(), 1);  // names without regard to case
    EXPECT_EQ(rs->GetField("IDTY").ToInt32(), 1);
    EXPECT_EQ(ErrorOf([&] { rs->GetField("constraint_type"); }).Error(), hr::kItemNotFound);
    EXPECT_EQ(Rows(rs, {"Idty"}), (Table{{"1"}, {"2"}}));
    EXPECT_EQ(ErrorOf([&] { rs->GetField("Idty"); }).Error(), hr::kNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }).Error(), hr::kNoCurrentRecord);
    rs->MoveFirst();
    EXPECT_EQ(Rows(rs, {"Idty"}), (Table{{"1"}, {"2"}}));
    rs->Close();
    EXPECT_EQ(rs->State(), adStateClosed);
    EXPECT_EQ(ErrorOf([&] { rs->IsEOF(); }).Error(), hr::kObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rs->Close(); }).Error(), hr::kObjectClosed);

    RecordsetPtr empty = c->Execute("SELECT ID FROM T WHERE ID > 5");
    EXPECT_EQ(empty->State(), adStateOpen);
    EXPECT_TRUE(empty->IsEOF());

    // A statement without rows answers with a closed recordset.
    RecordsetPtr none = c->Execute("UPDATE T SET ID = 3 WHERE ID = 99");
    EXPECT_EQ(none->State(), adStateClosed);
    EXPECT_EQ(ErrorOf([&] { none->IsEOF(); }).Error(), hr::kObjectClosed);
}

TEST_F(OdbcSqliteTest, SeveralRecordsetsStayOpenOnOneConnection) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE ACCOUNTS (ID integer, SETTINGS_ID integer)");
    c->Execute("CREATE TABLE SETTINGS (ID integer)");
    for (int i = 1; i <= 3; ++i)
        c->Execute("INSERT INTO ACCOUNTS VALUES (" + std::to_string(i) + ", " + std::to_string(i) + ")");
    c->Execute("INSERT INTO SETTINGS VALUES (2)");

    // The account check's pattern: walk one recordset while running other statements.
    RecordsetPtr accounts = c->Execute("SELECT ID, SETTINGS_ID FROM ACCOUNTS ORDER BY ID");
    std::vector<int> missing;
    for (; !accounts->IsEOF(); accounts->MoveNext()) {
        const int settings = accounts->GetField("SETTINGS_ID").ToInt32();
        RecordsetPtr found = c->Execute("SELECT ID FROM SETTINGS WHERE ID = " + std::to_string(settings));
        if (found->IsEOF()) {
            missing.push_back(settings);
            c->Execute("INSERT INTO SETTINGS VALUES (" + std::to_string(settings) + ")");
        }
    }
    EXPECT_EQ(missing, (std::vector<int>{1, 3}));
    EXPECT_EQ(Rows(c->Execute("SELECT COUNT(*) AS N FROM SETTINGS"), {"N"}), (Table{{"3"}}));
}

TEST_F(OdbcSqliteTest, FailingStatementsCarryTheDriverDiagnostics) {
    ConnectionPtr c = Open();
    const _com_error syntax = ErrorOf([&] { c->Execute("SELEC 1"); });
    EXPECT_TRUE(syntax.HasErrorInfo());
    EXPECT_EQ(syntax.Source(), "ODBC provider (MSDASQL)");
    EXPECT_EQ(syntax.Description().front(), '[');
    EXPECT_NE(syntax.Description().find("syntax error"), std::string::npos) << syntax.Description();

    const _com_error table = ErrorOf([&] { c->Execute("SELECT * FROM NO_SUCH_TABLE"); });
    EXPECT_NE(table.Description().find("NO_SUCH_TABLE"), std::string::npos) << table.Description();

    c->Execute("CREATE TABLE U (ID integer PRIMARY KEY)");
    c->Execute("INSERT INTO U VALUES (1)");
    const _com_error duplicate = ErrorOf([&] { c->Execute("INSERT INTO U VALUES (1)"); });
    EXPECT_NE(duplicate.Description().find("UNIQUE"), std::string::npos) << duplicate.Description();

    // The connection stays usable after each failure.
    EXPECT_EQ(Rows(c->Execute("SELECT COUNT(*) AS N FROM U"), {"N"}), (Table{{"1"}}));
}

TEST_F(OdbcSqliteTest, CommandTimeoutIsAccepted) {
    // The SQLite driver takes the statement time-out without acting on it; what
    // can be seen here is that every statement still runs with it set.
    ConnectionPtr c = Open();
    c->PutCommandTimeout(180);
    c->Execute("CREATE TABLE T (ID integer)");
    c->PutCommandTimeout(0);
    c->Execute("INSERT INTO T VALUES (1)");
    EXPECT_EQ(ErrorOf([&] { c->PutCommandTimeout(-1); }).Error(), hr::kInvalidArg);
    EXPECT_EQ(Rows(c->Execute("SELECT ID FROM T"), {"ID"}), (Table{{"1"}}));
    EXPECT_EQ(c->Catalog()->TableNames().empty(), false);
}

}  // namespace
}  // namespace veltmoor::ado::test
