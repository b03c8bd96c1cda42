// The account link check on real SQLite files: findings, repairs and what the
// database holds afterwards; the SQL Server dialect's answers through the
// scripted connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TempDir.h"
#include "tests/support/ScriptedConnection.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class CheckAccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = std::make_unique<AccountDatabase>(folder_.File("tarnwick.mdb"));
        dlg_.m_strSharedFolder = "/srv/ftp";
        dlg_.m_bBackupBeforeRepair = false;
    }

    // One run of the check, as the button does it: returns the log's lines.
    std::vector<std::string> Run(bool fix) {
        dlg_.m_pConnection = ado::CreateConnection();
        dlg_.m_pConnection->Open(db_->ConnectionString(), "", "", 0);
        dlg_.m_bFixErrors = fix ? 1 : 0;
        dlg_.BeginRun();
        dlg_.CheckAccounts();
        dlg_.m_pConnection->Close();
        return LogLines(dlg_);
    }

    TempDir folder_;
    std::unique_ptr<AccountDatabase> db_;
    CVeltmoorDlg dlg_;
};

TEST_F(CheckAccountsTest, NoAccountsGiveOneLineAndNoBlank) {
    EXPECT_THAT(Run(false), ElementsAre("-- No Accounts Found in The Database --"));
}

TEST_F(CheckAccountsTest, SoundAccountGivesExactlyThreeLines) {
    db_->AddSoundAccount("alice");
    EXPECT_THAT(Run(true), ElementsAre("-- Checking Account [alice] --", "-- Finished Checking Account [alice] --", "  "));
    EXPECT_EQ(dlg_.m_tally.findings, 0);
}

struct BrokenLink {
    const char* name;
    const char* message;
    const char* linkColumn;
    const char* table;
};

class SingleBrokenLink : public CheckAccountsTest, public ::testing::WithParamInterface<BrokenLink> {};

TEST_P(SingleBrokenLink, IsReportedThenRepairedThenClean) {
    const BrokenLink link = GetParam();
    const long id = db_->AddSoundAccount("bob");
    const std::string before = db_->Value(Format("SELECT %s FROM ACCOUNTS WHERE ID=%ld", link.linkColumn, id));
    db_->Exec(Format("DELETE FROM %s WHERE ID=%s", link.table, before.c_str()));
    const std::string rowsBefore = db_->Value(Format("SELECT COUNT(*) FROM %s", link.table));

    // Unticked: reported, nothing written.
    EXPECT_THAT(Run(false), ElementsAre("-- Checking Account [bob] --", link.message,
                                        "-- Finished Checking Account [bob] --", "  "));
    EXPECT_EQ(db_->Value(Format("SELECT %s FROM ACCOUNTS WHERE ID=%ld", link.linkColumn, id)), before);
    EXPECT_EQ(db_->Value(Format("SELECT COUNT(*) FROM %s", link.table)), rowsBefore);
    EXPECT_EQ(dlg_.m_tally.findings, 1);
    EXPECT_EQ(dlg_.m_tally.fixed, 0);

    // Ticked: repaired with a new row of neutral values, the account re-pointed.
    EXPECT_THAT(Run(true), ElementsAre("-- Checking Account [bob] --", std::string(link.message) + " - FIXED",
                                       "-- Finished Checking Account [bob] --", "  "));
    EXPECT_EQ(dlg_.m_tally.fixed, 1);
    const std::string now = db_->Value(Format("SELECT %s FROM ACCOUNTS WHERE ID=%ld", link.linkColumn, id));
    EXPECT_NE(now, before);
    EXPECT_EQ(db_->Value(Format("SELECT COUNT(*) FROM %s WHERE ID=%s", link.table, now.c_str())), "1");

    // A second run finds nothing.
    EXPECT_THAT(Run(true), ElementsAre("-- Checking Account [bob] --", "-- Finished Checking Account [bob] --", "  "));
}

INSTANTIATE_TEST_SUITE_P(
    EachLink, SingleBrokenLink,
    ::testing::Values(BrokenLink{"Settings", "Missing recordset in SETTINGS table", "SETTINGS_ID", "SETTINGS"},
                      BrokenLink{"Quota", "Missing recordset in QUOTA table", "QUOTA_ID", "QUOTAS"},
                      BrokenLink{"Ratio", "Missing recordset in RATIO table", "RATIO_ID", "RATIOS"},
                      BrokenLink{"Folder", "Missing recordset in FOLDERS table", "HOME_FOLDER_ID", "FOLDERS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckAccountsTest, AllFourBrokenAreRepairedInOrderWithNeutralRows) {
    const long id = db_->AddAccount("carol", 0, -3, 77, 99);
    EXPECT_THAT(Run(true), ElementsAre("-- Checking Account [carol] --", "Missing recordset in SETTINGS table - FIXED",
                                       "Missing recordset in QUOTA table - FIXED",
                                       "Missing recordset in RATIO table - FIXED",
                                       "Missing recordset in FOLDERS table - FIXED",
                                       "-- Finished Checking Account [carol] --", "  "));
    const auto row = [&](const char* sql) { return db_->Value(Format(sql, id)); };
    EXPECT_EQ(row("SELECT S.ALLOW_ANONYMOUS FROM ACCOUNTS A JOIN SETTINGS S ON S.ID=A.SETTINGS_ID WHERE A.ID=%ld"), "0");
    EXPECT_EQ(row("SELECT Q.ENABLE_QUOTA FROM ACCOUNTS A JOIN QUOTAS Q ON Q.ID=A.QUOTA_ID WHERE A.ID=%ld"), "0");
    EXPECT_EQ(row("SELECT R.ENABLE_RATIO FROM ACCOUNTS A JOIN RATIOS R ON R.ID=A.RATIO_ID WHERE A.ID=%ld"), "0");
    // The home folder is its own root, belongs to the account and lies in the shared folder.
    EXPECT_EQ(row("SELECT F.ROOT_ID = F.ID FROM ACCOUNTS A JOIN FOLDERS F ON F.ID=A.HOME_FOLDER_ID WHERE A.ID=%ld"), "1");
    EXPECT_EQ(row("SELECT F.ACCOUNT_ID FROM ACCOUNTS A JOIN FOLDERS F ON F.ID=A.HOME_FOLDER_ID WHERE A.ID=%ld"),
              std::to_string(id));
    EXPECT_EQ(row("SELECT F.NAME || ' ' || F.ALIAS FROM ACCOUNTS A JOIN FOLDERS F ON F.ID=A.HOME_FOLDER_ID WHERE A.ID=%ld"),
              "/srv/ftp/carol /");
    EXPECT_THAT(Run(false), ElementsAre("-- Checking Account [carol] --", "-- Finished Checking Account [carol] --", "  "));
}

TEST_F(CheckAccountsTest, LinkValuesZeroAndNegativeAreLookedUpLikeAnyOther) {
    db_->Exec("INSERT INTO SETTINGS (ID, ALLOW_ANONYMOUS) VALUES (0, 1), (-5, 1)");
    const long sound = db_->AddSoundAccount("x");
    db_->Exec(Format("UPDATE ACCOUNTS SET SETTINGS_ID = 0 WHERE ID = %ld", sound));
    const long other = db_->AddSoundAccount("y");
    db_->Exec(Format("UPDATE ACCOUNTS SET SETTINGS_ID = -5 WHERE ID = %ld", other));
    const auto lines = Run(false);
    EXPECT_THAT(lines, ElementsAre("-- Checking Account [x] --", "-- Finished Checking Account [x] --", "  ",
                                   "-- Checking Account [y] --", "-- Finished Checking Account [y] --", "  "));
}

TEST_F(CheckAccountsTest, NamesWithBracketsQuotesAndNonAsciiLettersStayIntactAndCannotInject) {
    const std::string evil = "x'); DROP TABLE ACCOUNTS; --";
    for (const std::string& name : std::vector<std::string>{"[team] lead", "o'brien", "Jürgen Ødegård", evil}) db_->AddAccount(name, 999, 999, 999, 999);
    const auto lines = Run(true);
    EXPECT_EQ(lines[0], "-- Checking Account [[team] lead] --");
    EXPECT_THAT(lines, ::testing::Contains("-- Checking Account [Jürgen Ødegård] --"));
    EXPECT_THAT(lines, ::testing::Contains("-- Checking Account [" + evil + "] --"));
    EXPECT_EQ(dlg_.m_tally.errors, 0) << dlg_.m_wndLog.GetText();
    // Every account got its home folder under its own, unchanged name.
    EXPECT_THAT(db_->Column("SELECT F.NAME FROM ACCOUNTS A JOIN FOLDERS F ON F.ID = A.HOME_FOLDER_ID ORDER BY A.ID"),
                ElementsAre("/srv/ftp/[team] lead", "/srv/ftp/o'brien", "/srv/ftp/Jürgen Ødegård", "/srv/ftp/" + evil));
    EXPECT_EQ(db_->Value("SELECT COUNT(*) FROM ACCOUNTS"), "4");
}

TEST_F(CheckAccountsTest, NullLinksAreBrokenLinksAndOtherAccountsAreStillChecked) {
    db_->AddAccount(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    db_->AddSoundAccount("after");
    EXPECT_THAT(Run(false),
                ElementsAre("-- Checking Account [] --", "Missing recordset in SETTINGS table",
                            "Missing recordset in QUOTA table", "Missing recordset in RATIO table",
                            "Missing recordset in FOLDERS table", "-- Finished Checking Account [] --", "  ",
                            "-- Checking Account [after] --", "-- Finished Checking Account [after] --", "  "));
    Run(true);
    EXPECT_EQ(db_->Value("SELECT COUNT(*) FROM ACCOUNTS WHERE SETTINGS_ID IS NULL OR QUOTA_ID IS NULL "
                         "OR RATIO_ID IS NULL OR HOME_FOLDER_ID IS NULL"),
              "0");
}

TEST_F(CheckAccountsTest, MissingAccountsTableWritesTheErrorBlock) {
    db_->Exec("DROP TABLE ACCOUNTS");
    const auto lines = Run(true);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1], "Exception Recorded");
    EXPECT_EQ(lines[6], "Tracer: CVeltmoorDlg::CheckAccounts");
}

TEST_F(CheckAccountsTest, WithoutConnectionTheCheckRecordsAnInvalidPointer) {
    dlg_.m_pConnection.Release();
    dlg_.CheckAccounts();
    const auto lines = LogLines(dlg_);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2], "Code = 80004003");
}

// The SQL Server dialect: the statements as sent, and an identity value that
// comes back empty.
TEST(CheckAccountsScripted, EmptyIdentityLeavesTheAccountAsItWasAndNoOrphanRow) {
    CVeltmoorDlg dlg;
    ScriptedConnection sql;
    sql.On("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS")
        .Return({{"ID", "NAME", "SETTINGS_ID", "HOME_FOLDER_ID", "QUOTA_ID", "RATIO_ID"}, {{7, "eve", 1, 2, 3, 4}}});
    sql.On("SELECT ID FROM QUOTAS WHERE ID = 3").Return({{"ID"}, {{3}}});
    sql.On("SELECT ID FROM RATIOS WHERE ID = 4").Return({{"ID"}, {{4}}});
    sql.On("SELECT ID FROM FOLDERS WHERE ID = 2").Return({{"ID"}, {{2}}});
    sql.On("SELECT ID FROM SETTINGS WHERE ID = 1").Return({{"ID"}, {}});
    sql.On("SELECT @@IDENTITY AS ID").Return({{"ID"}, {{_variant_t::Null()}}});
    dlg.m_pConnection = sql.Open();
    dlg.m_bFixErrors = 1;
    dlg.CheckAccounts();
    const auto lines = LogLines(dlg);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[6], "Description: The INSERT into SETTINGS generated no ID (@@IDENTITY is empty): its ID column is "
                        "not an autonumber column (Check Tables reports it). The account's repair was rolled back.");
    EXPECT_EQ(lines[7], "Tracer: CVeltmoorDlg::GetInsertIdentityValue");
    EXPECT_EQ(lines[9], "Missing recordset in SETTINGS table - ATTEMPT TO FIX FAILED");
    EXPECT_THAT(sql.Statements(),
                ElementsAre("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS",
                            "SELECT ID FROM SETTINGS WHERE ID = 1", kBegin,
                            "INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)", "SELECT @@IDENTITY AS ID", kRollback,
                            "SELECT ID FROM QUOTAS WHERE ID = 3", "SELECT ID FROM RATIOS WHERE ID = 4",
                            "SELECT ID FROM FOLDERS WHERE ID = 2"));
}

TEST(CheckAccountsScripted, HomeFolderRepairSendsTheStatementsInOrder) {
    CVeltmoorDlg dlg;
    dlg.m_strSharedFolder = "/srv/ftp";
    ScriptedConnection sql;
    sql.On("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS")
        .Return({{"ID", "NAME", "SETTINGS_ID", "HOME_FOLDER_ID", "QUOTA_ID", "RATIO_ID"}, {{7, "d'arcy", 1, 2, 3, 4}}});
    sql.On(::testing::StartsWith("SELECT ID FROM")).Return({{"ID"}, {{1}}});
    sql.On("SELECT ID FROM FOLDERS WHERE ID = 2").Return({{"ID"}, {}});
    sql.On("SELECT @@IDENTITY AS ID").Return({{"ID"}, {{41}}});
    dlg.m_pConnection = sql.Open();
    dlg.m_bFixErrors = 1;
    dlg.CheckAccounts();
    const auto statements = sql.Statements();
    ASSERT_GE(statements.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(statements.end() - 6, statements.end()),
                ElementsAre(kBegin, "INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(7,-1,'/srv/ftp/d''arcy','/')",
                            "SELECT @@IDENTITY AS ID", "UPDATE FOLDERS SET ROOT_ID=41 WHERE ID=41;",
                            "UPDATE ACCOUNTS SET HOME_FOLDER_ID = 41 WHERE ID = 7", kCommit));
}

TEST(CheckAccountsScripted, FailingIdentityQueryWritesItsOwnBlockAndTheRepairFails) {
    CVeltmoorDlg dlg;
    ScriptedConnection sql;
    sql.On("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS")
        .Return({{"ID", "NAME", "SETTINGS_ID", "HOME_FOLDER_ID", "QUOTA_ID", "RATIO_ID"}, {{7, "eve", 1, 2, 3, 4}}});
    sql.On(::testing::StartsWith("SELECT ID FROM")).Return({{"ID"}, {{1}}});
    sql.On("SELECT ID FROM RATIOS WHERE ID = 4").Return({{"ID"}, {}});
    sql.On("SELECT @@IDENTITY AS ID").Fail(hr::kErrorsInCommand, "[42000] (102) Incorrect syntax");
    dlg.m_pConnection = sql.Open();
    dlg.m_bFixErrors = 1;
    dlg.CheckAccounts();
    const auto lines = LogLines(dlg);
    EXPECT_THAT(lines, ::testing::Contains("Tracer: CVeltmoorDlg::GetInsertIdentityValue"));
    EXPECT_THAT(lines, ::testing::Contains("Missing recordset in RATIO table - ATTEMPT TO FIX FAILED"));
    EXPECT_EQ(lines.back(), "  ");
    EXPECT_EQ(sql.OpenTransactions(), 0);
}

}  // namespace
}  // namespace veltmoor::test
