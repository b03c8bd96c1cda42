// Opening the connection: the embedded database on a real file, the SQL Server
// and ODBC branch through the scripted connection, the status text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TempDir.h"
#include "tests/support/ScriptedConnection.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class OpenConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { dlg_.m_strMdacVersion = "NO MDAC VERSION DETECTED"; }
    TempDir folder_;
    CVeltmoorDlg dlg_;
};

TEST_F(OpenConnectionTest, EmbeddedDatabaseOpensOnceWithCatalogAndVersion) {
    AccountDatabase db(folder_.File("tarnwick.mdb"));
    dlg_.m_strConnectionString = db.ConnectionString();
    int made = 0;
    dlg_.m_connectionFactory = [&] {
        ++made;
        return ado::CreateConnection();
    };
    dlg_.OpenConnection();
    EXPECT_EQ(dlg_.m_wndLog.GetText(), "");
    EXPECT_EQ(made, 1);
    EXPECT_EQ(dlg_.m_strMdacVersion, "DETECTED MDAC VERSION: 2.80");
    EXPECT_EQ(dlg_.m_pCatalog->TableNames().size(), 5u);
    EXPECT_FALSE(dlg_.m_pConnection->Execute("SELECT COUNT(*) AS N FROM ACCOUNTS")->IsEOF());
}

TEST_F(OpenConnectionTest, MissingDatabaseFileIsRecordedAndNotCreated) {
    dlg_.m_strConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + folder_.File("tarnwick.mdb");
    dlg_.OpenConnection();
    const auto lines = LogLines(dlg_);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], "Tracer: CVeltmoorDlg::OpenConnection");
    EXPECT_THAT(lines[5], HasSubstr("tarnwick.mdb"));
    EXPECT_FALSE(std::filesystem::exists(folder_.File("tarnwick.mdb")));
    EXPECT_EQ(dlg_.m_strMdacVersion, "NO MDAC VERSION DETECTED");
    EXPECT_TRUE(static_cast<bool>(dlg_.m_pConnection));  // exists, closed
    EXPECT_FALSE(static_cast<bool>(dlg_.m_pCatalog));
}

TEST_F(OpenConnectionTest, UnknownProviderIsRecordedWithItsText) {
    dlg_.m_strConnectionString = "Provider=Nonesuch.1; data source=x";
    dlg_.OpenConnection();
    EXPECT_THAT(dlg_.m_wndLog.GetText(), HasSubstr("Provider cannot be found. It may not be properly installed."));
    EXPECT_EQ(dlg_.m_tally.errors, 1);
}

TEST_F(OpenConnectionTest, SqlServerAndOdbcAreOpenedOnceWithCatalog) {
    for (const char* provider : {"SQLOLEDB.1", "MSDASQL.1"}) {
        ScriptedConnection sql;
        sql.SetProvider(provider);
        dlg_.m_strConnectionString = "Provider=SQLOLEDB.1;Data Source=server;Initial Catalog=ftp";
        dlg_.m_connectionFactory = sql.Factory();
        dlg_.OpenConnection();
        EXPECT_EQ(dlg_.m_wndLog.GetText(), "");
        EXPECT_EQ(sql.ConnectionsMade(), 1) << provider;
        EXPECT_THAT(sql.Calls(), ElementsAre("Open(Provider=SQLOLEDB.1;Data Source=server;Initial Catalog=ftp)",
                                             "PutCommandTimeout(180)", "Catalog()"));
    }
}

TEST_F(OpenConnectionTest, VersionTextsAndTheOutdatedWarning) {
    struct Case {
        const char* version;
        const char* status;
    } cases[] = {{"2.6", "DETECTED MDAC VERSION: 2.60 - !!! THIS MDAC VERSION IS OUTDATED !!!"},
                 {"2.7", "DETECTED MDAC VERSION: 2.70"},
                 {"2.8", "DETECTED MDAC VERSION: 2.80"},
                 {"10.0", "DETECTED MDAC VERSION: 10.00"}};
    for (const auto& c : cases) {
        ScriptedConnection sql;
        sql.SetVersion(c.version);
        dlg_.m_connectionFactory = sql.Factory();
        dlg_.OpenConnection();
        EXPECT_EQ(dlg_.m_strMdacVersion, c.status);
    }
    EXPECT_EQ(dlg_.m_wndLog.GetText(), "");
}

TEST_F(OpenConnectionTest, UnreadableVersionKeepsTheStatusButTheConnectionIsUsable) {
    ScriptedConnection sql;
    sql.SetVersion("unknown");
    dlg_.m_connectionFactory = sql.Factory();
    dlg_.OpenConnection();
    EXPECT_EQ(dlg_.m_strMdacVersion, "NO MDAC VERSION DETECTED");
    EXPECT_EQ(dlg_.m_tally.errors, 1);
    EXPECT_TRUE(static_cast<bool>(dlg_.m_pCatalog));
}

TEST_F(OpenConnectionTest, FailingOpenIsRecordedWithTheServersWords) {
    ScriptedConnection sql;
    sql.OnCall(::testing::StartsWith("Open(")).Fail(hr::kFail, "[08001] server not found");
    dlg_.m_connectionFactory = sql.Factory();
    dlg_.OpenConnection();
    EXPECT_THAT(dlg_.m_wndLog.GetText(), HasSubstr("[08001] server not found"));
}

}  // namespace
}  // namespace veltmoor::test
