// Repairs that never make a database worse, on real SQLite files: damage, check,
// repair, check again, with rows or file bytes compared before and after.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

class RepairSafety : public ::testing::Test {
protected:
    void SetUp() override { db_ = std::make_unique<AccountDatabase>(folder_.File("tarnwick.mdb")); }

    // One run as its button makes it, on a fresh connection (extra: more of the connection string).
    std::vector<std::string> Run(bool fix, const std::string& extra = "", long timeoutSeconds = 30,
                                 void (CVeltmoorDlg::*handler)() = &CVeltmoorDlg::OnCheckAccounts) {
        dlg_.m_pConnection = ado::CreateConnection();
        dlg_.m_pConnection->PutCommandTimeout(timeoutSeconds);
        dlg_.m_pConnection->Open(db_->ConnectionString() + extra, "", "", 0);
        SetFixErrors(dlg_, fix);
        (dlg_.*handler)();
        dlg_.m_pConnection->Close();
        return LogLines(dlg_);
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            if (entry.path().extension() == ".bak") names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static long Count(const std::vector<std::string>& lines, const std::string& start) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    }

    TempDir folder_;
    std::unique_ptr<AccountDatabase> db_;
    CVeltmoorDlg dlg_;
};

// A linked table whose ID lost its autonumber: the INSERT leaves ID empty, so no
// repair may use the rowid SQLite made, and nothing another account owns may change.
struct LostAutonumber {
    const char* table;
    const char* plainDefinition;
    const char* linkColumn;
    const char* message;
};

class LostAutonumberTest : public RepairSafety, public ::testing::WithParamInterface<LostAutonumber> {};

TEST_P(LostAutonumberTest, RepairRollsBackAndLeavesOtherAccountsRowsAsTheyWere) {
    const LostAutonumber c = GetParam();
    for (const char* name : {"a", "b", "c"}) db_->AddSoundAccount(name);
    const long broken = db_->AddSoundAccount("d");
    db_->Exec(Format("CREATE TABLE PLAIN (%s); INSERT INTO PLAIN SELECT * FROM %s; DROP TABLE %s;"
                     "ALTER TABLE PLAIN RENAME TO %s; DELETE FROM %s WHERE ID = (SELECT %s FROM ACCOUNTS WHERE ID = %ld);",
                     c.plainDefinition, c.table, c.table, c.table, c.table, c.linkColumn, broken));
    const auto before = db_->Dump();
    const auto lines = Run(true);
    EXPECT_THAT(lines, Contains(std::string(c.message) + " - ATTEMPT TO FIX FAILED"));
    EXPECT_THAT(lines, Contains("Tracer: CVeltmoorDlg::GetInsertIdentityValue"));
    EXPECT_THAT(lines, Contains(HasSubstr("generated no ID")));
    EXPECT_EQ(db_->Dump(), before);
    EXPECT_EQ(dlg_.m_tally.fixed, 0);
    EXPECT_THAT(Run(false), Contains(c.message));  // still reported, not hidden
}

INSTANTIATE_TEST_SUITE_P(
    EachTable, LostAutonumberTest,
    ::testing::Values(LostAutonumber{"SETTINGS", "ID INTEGER, ALLOW_ANONYMOUS BIT NOT NULL DEFAULT 1", "SETTINGS_ID",
                                     "Missing recordset in SETTINGS table"},
                      LostAutonumber{"FOLDERS", "ID INTEGER, ACCOUNT_ID INTEGER, ROOT_ID INTEGER, NAME NVARCHAR(255), "
                                                "ALIAS NVARCHAR(255)",
                                     "HOME_FOLDER_ID", "Missing recordset in FOLDERS table"}),
    [](const auto& info) { return std::string(info.param.table); });

// Every account is checked exactly once, also under an index that covers the
// selected columns (which repairs change) and across batches, NULL IDs included.
struct Population {
    const char* name;
    int accounts;
    int nullIds;
    int copiesOf1000;  // accounts that share ID 1000, where a batch ends
};

class PopulationTest : public RepairSafety, public ::testing::WithParamInterface<Population> {};

TEST_P(PopulationTest, EachAccountIsCheckedOnceAndTheSecondRunIsClean) {
    const Population p = GetParam();
    db_->Exec(Format(
        "DROP TABLE ACCOUNTS; CREATE TABLE ACCOUNTS (ID INTEGER, NAME NVARCHAR(255), SETTINGS_ID INTEGER, "
        "HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID INTEGER);"
        "CREATE INDEX COVER ON ACCOUNTS (SETTINGS_ID, ID, NAME, HOME_FOLDER_ID, QUOTA_ID, RATIO_ID);"
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %d) INSERT INTO SETTINGS (ID) SELECT i FROM c;"
        "INSERT INTO QUOTAS (ID) SELECT ID FROM SETTINGS; INSERT INTO RATIOS (ID) SELECT ID FROM SETTINGS;"
        "INSERT INTO FOLDERS (ID, NAME) SELECT ID, 'f' FROM SETTINGS;"
        "INSERT INTO ACCOUNTS SELECT ID, 'user' || ID, ID, ID, ID, ID FROM SETTINGS;"
        "INSERT INTO ACCOUNTS SELECT NULL, 'null' || ID, 1, 1, 1, 1 FROM SETTINGS WHERE ID <= %d;"
        "INSERT INTO ACCOUNTS SELECT 1000, 'copy' || ID, 1, 1, 1, 1 FROM SETTINGS WHERE ID <= %d;"
        "DELETE FROM SETTINGS WHERE ID %% 10 = 0;",
        p.accounts, p.nullIds, p.copiesOf1000));
    const long all = p.accounts + p.nullIds + p.copiesOf1000;
    long checked = 0;  // the log keeps only the last lines of a long run: count as the CLI does
    dlg_.m_accountProgress = [&](long) { ++checked; };
    Run(true);
    EXPECT_EQ(checked, all);
    EXPECT_EQ(dlg_.m_tally.fixed, p.accounts / 10);
    EXPECT_EQ(dlg_.m_tally.findings, p.accounts / 10);
    checked = 0;
    Run(false);
    EXPECT_EQ(checked, all);
    EXPECT_EQ(dlg_.m_tally.findings, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PopulationTest,
                         ::testing::Values(Population{"OneBatch", 40, 0, 0},
                                           Population{"ManyBatches", 2100, 3, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// A damaged page: the run ends with the error block before reading or writing anything.
class DamagedFile : public RepairSafety, public ::testing::WithParamInterface<void (CVeltmoorDlg::*)()> {};

TEST_P(DamagedFile, EndsTheRunWithTheRecoveryRouteAndWritesNothing) {
    for (int i = 0; i < 20; ++i) db_->AddAccount("u" + std::to_string(i), 999, 999, 999, 999);
    const long page = std::stol(db_->Value("PRAGMA page_size"));
    const long root = std::stol(db_->Value("SELECT rootpage FROM sqlite_master WHERE name = 'ACCOUNTS'"));
    db_.reset();
    {   // Zero the cell pointers of the table's leaf page.
        std::fstream file(folder_.File("tarnwick.mdb"), std::ios::binary | std::ios::in | std::ios::out);
        file.seekg((root - 1) * page + 3);
        const int cells = (file.get() << 8) | file.get();
        file.seekp((root - 1) * page + 8);
        file.write(std::string(2 * cells, '\0').data(), 2 * cells);
    }
    const std::string bytes = Bytes(folder_.File("tarnwick.mdb"));
    db_ = std::make_unique<AccountDatabase>(folder_.File("tarnwick.mdb"), false);
    const auto lines = Run(true, "", 30, GetParam());
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], "Tracer: CVeltmoorDlg::CheckIntegrity");
    EXPECT_THAT(lines[5], HasSubstr("is damaged"));
    EXPECT_THAT(lines[5], HasSubstr("\".recover\""));
    EXPECT_EQ(dlg_.m_tally.errors, 1);
    EXPECT_EQ(Bytes(folder_.File("tarnwick.mdb")), bytes);
    EXPECT_THAT(Backups(), ElementsAre());
}

INSTANTIATE_TEST_SUITE_P(BothChecks, DamagedFile,
                         ::testing::Values(&CVeltmoorDlg::OnCheckAccounts, &CVeltmoorDlg::OnCheckTables));

// The server holds the write lock for 1.5 s: a repair waits for it up to the busy
// timeout, and when that is shorter the log says how long it really waited.
struct LockCase {
    long timeoutSeconds;
    bool fixed;
};

class ServerLock : public RepairSafety, public ::testing::WithParamInterface<LockCase> {};

TEST_P(ServerLock, RepairWaitsUpToTheBusyTimeout) {
    const long id = db_->AddSoundAccount("bob");
    db_->Exec(Format("UPDATE ACCOUNTS SET QUOTA_ID = 999 WHERE ID = %ld", id));
    std::promise<void> locked;
    std::thread server([&] {
        AccountDatabase other(folder_.File("tarnwick.mdb"), false);
        other.Exec("BEGIN IMMEDIATE; INSERT INTO RATIOS (ENABLE_RATIO) VALUES (1);");
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        other.Exec("COMMIT");
    });
    locked.get_future().wait();
    const auto lines = Run(true, "", GetParam().timeoutSeconds);
    server.join();
    if (GetParam().fixed) {
        EXPECT_THAT(lines, Contains("Missing recordset in QUOTA table - FIXED"));
        EXPECT_EQ(dlg_.m_tally.errors, 0);
    } else {
        EXPECT_THAT(lines, Contains(ContainsRegex("holds a lock on the database; waited 1[0-9]{3} ms")));
        EXPECT_EQ(db_->Value(Format("SELECT QUOTA_ID FROM ACCOUNTS WHERE ID = %ld", id)), "999");
    }
}

INSTANTIATE_TEST_SUITE_P(Timeouts, ServerLock, ::testing::Values(LockCase{30, true}, LockCase{1, false}));

// Read-only connection modes: every repair fails, said once, and the file keeps every byte.
struct ModeCase {
    const char* mode;
    bool readOnly;
};

class ConnectionMode : public RepairSafety, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ConnectionMode, ReadOnlyModesRepairNothing) {
    db_->AddAccount("x", 999, 999, 999, 999);
    const std::string bytes = Bytes(db_->Path());
    const auto lines = Run(true, std::string("; Mode=") + GetParam().mode);
    if (GetParam().readOnly) {
        EXPECT_EQ(Count(lines, "Missing recordset in"), 4);
        EXPECT_THAT(lines, Each(Not(HasSubstr(" - FIXED"))));
        EXPECT_EQ(Count(lines, "Exception Recorded"), 1);
        EXPECT_THAT(lines, Contains(HasSubstr("The connection to the database is read-only")));
        EXPECT_EQ(Bytes(db_->Path()), bytes);
        EXPECT_THAT(Backups(), ElementsAre());
    } else {
        EXPECT_EQ(dlg_.m_tally.fixed, 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectionMode,
                         ::testing::Values(ModeCase{"Read", true}, ModeCase{"Share Deny Write", true},
                                           ModeCase{"1", true}, ModeCase{"ReadWrite|Share Deny None", false}));

// The first write of a run is preceded by a consistent copy of the file; a run that
// writes nothing leaves none, and when no copy can be written nothing is repaired.
TEST_F(RepairSafety, BackupPrecedesTheFirstRepairAndHoldsTheDatabaseAsItWas) {
    const long id = db_->AddSoundAccount("bob");
    Run(true);
    EXPECT_THAT(Backups(), ElementsAre());  // nothing to repair, nothing copied

    db_->Exec("DELETE FROM SETTINGS");
    const auto lines = Run(true);
    ASSERT_EQ(Backups().size(), 1u);
    const std::string backup = Backups()[0];
    EXPECT_THAT(backup, ContainsRegex("/tarnwick\\.mdb\\.[0-9]{8}-[0-9]{6}\\.bak$"));
    EXPECT_THAT(LogEntries(dlg_), ElementsAre(Plain("-- Checking Account [bob] --"),
                                              Green("--- Backup of the database written to " + backup),
                                              Plain("Missing recordset in SETTINGS table - FIXED"),
                                              Plain("-- Finished Checking Account [bob] --"), Plain("  ")));
    AccountDatabase copy(backup, false);
    EXPECT_EQ(copy.Value("SELECT COUNT(*) FROM SETTINGS"), "0");

    // A second copy within the same second takes the next free name.
    db_->Exec(Format("UPDATE ACCOUNTS SET RATIO_ID = 999 WHERE ID = %ld", id));
    Run(true);
    ASSERT_EQ(Backups().size(), 2u);
    const std::string second = Backups()[0] == backup ? Backups()[1] : Backups()[0];
    if (second.substr(0, backup.size() - 4) == backup.substr(0, backup.size() - 4)) {
        EXPECT_EQ(second, backup.substr(0, backup.size() - 4) + "-2.bak");
    }
}

TEST_F(RepairSafety, BackupThatCannotBeWrittenStopsEveryRepair) {
    db_->AddAccount("x", 999, 999, 999, 999);
    const std::string bytes = Bytes(db_->Path());
    // A full disk: no file may grow past a few bytes (the signal would end the process).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto lines = Run(true);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(Count(lines, "Exception Recorded"), 1);
    EXPECT_THAT(lines, Contains("Tracer: CVeltmoorDlg::PrepareRepair"));
    EXPECT_THAT(lines, Each(Not(HasSubstr(" - FIXED"))));
    EXPECT_EQ(Bytes(db_->Path()), bytes);
    EXPECT_THAT(Backups(), ElementsAre());
}

}  // namespace
}  // namespace veltmoor::test
