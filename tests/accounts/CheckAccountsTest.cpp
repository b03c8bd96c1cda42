// The account link check on real SQLite files: damage, check, repair, check again, with rows or bytes compared
// before and after; repairs that never make a database worse; SQL Server's statements through the scripted connection.
#include <gmock/gmock.h>
#include <sys/resource.h>

#include <csignal>
#include <future>
#include <thread>

#include "accounts/AccountBatches.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/ScriptedConnection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using namespace ::testing;
using Lines = std::vector<std::string>;

// IDs and links as whole numbers: integers, and reals and texts that hold one exactly; nothing else names a row.
TEST(WholeNumber, OnlyExactWholeNumbersNameARow) {
    const std::pair<_variant_t, std::optional<std::int64_t>> cases[] = {
        {_variant_t(std::int64_t{-7}), -7}, {_variant_t(5.0), 5}, {_variant_t(5.5), {}}, {_variant_t(-0x1p63), INT64_MIN},
        {_variant_t(0x1p63), {}}, {_variant_t(" 12"), 12}, {_variant_t("12.0"), 12}, {_variant_t("1e3"), 1000},
        {_variant_t("12abc"), {}}, {_variant_t(""), {}}, {_variant_t("1e19"), {}}, {_variant_t(true), {}}, {_variant_t::Null(), {}}};
    for (const auto& [value, number] : cases) EXPECT_EQ(accounts::WholeNumber(value), number) << value.ToString();
}

class CheckAccountsTest : public ::testing::Test {
protected:
    void SetUp() override { db_ = std::make_unique<AccountDatabase>(folder_.File("tarnwick.mdb")); }
    // One run as its button makes it, on a fresh connection (extra: more of the connection string).
    Lines Run(bool fix, const std::string& extra = "", long timeoutSeconds = 30,
              void (CVeltmoorDlg::*handler)() = &CVeltmoorDlg::OnCheckAccounts) {
        dlg_.m_pConnection = ado::CreateConnection();
        dlg_.m_pConnection->PutCommandTimeout(timeoutSeconds);
        dlg_.m_pConnection->Open(db_->ConnectionString() + extra, "", "", 0);
        SetFixErrors(dlg_, fix);
        (dlg_.*handler)();
        dlg_.m_pConnection->Close();
        return LogLines(dlg_);
    }

    TempDir folder_;
    std::unique_ptr<AccountDatabase> db_;
    CVeltmoorDlg dlg_;
};

// Links to rows that do not exist (negative values too) and NULL links, beside links to rows whose IDs are 0 and
// negative; names with brackets, quotes and non-ASCII letters, and one that tries to inject SQL.
TEST_F(CheckAccountsTest, BrokenLinksAreReportedThenRepairedInOrderWithNeutralRowsThenClean) {
    dlg_.m_bBackupBeforeRepair = false;
    EXPECT_THAT(Run(false), ElementsAre("-- No Accounts Found in The Database --"));
    const std::string odd = "Jürgen [o'brien]", evil = "x'); DROP TABLE ACCOUNTS; --";
    db_->Exec("INSERT INTO SETTINGS (ID) VALUES (0); INSERT INTO QUOTAS (ID) VALUES (-5)");
    db_->Exec(Format("UPDATE ACCOUNTS SET SETTINGS_ID = 0, QUOTA_ID = -5 WHERE ID = %ld", db_->AddSoundAccount("alice")));
    const long id = db_->AddAccount(odd, -1, -3, 77, 99);
    db_->AddAccount(evil, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    auto expected = [&](const Lines& findings, const std::string& suffix) {  // findings of all but alice
        Lines lines;
        for (const std::string& name : {std::string("alice"), odd, evil}) {
            lines.push_back("-- Checking Account [" + name + "] --");
            for (const std::string& finding : name == "alice" ? Lines() : findings) lines.push_back(finding + suffix);
            lines.insert(lines.end(), {"-- Finished Checking Account [" + name + "] --", "  "});
        }
        return lines;
    };
    const Lines found = {"Missing recordset in SETTINGS table", "Missing recordset in QUOTA table",
                         "Missing recordset in RATIO table", "Missing recordset in FOLDERS table"};
    const auto before = db_->Dump();
    for (const std::string suffix : {"", " - FIXED"}) {
        EXPECT_EQ(Run(!suffix.empty()), expected(found, suffix));
        EXPECT_EQ(std::pair(dlg_.m_tally.findings, dlg_.m_tally.fixed), std::pair(8, suffix.empty() ? 0 : 8));
        if (suffix.empty()) { EXPECT_EQ(db_->Dump(), before) << "unticked: nothing written"; }
    }
    // New rows are neutral; the home folder is its own root, the account's, in the shared folder.
    const std::pair<const char*, std::string> rows[] = {
        {"S.ALLOW_ANONYMOUS", "0"}, {"Q.ENABLE_QUOTA", "0"}, {"R.ENABLE_RATIO", "0"}, {"F.ROOT_ID = F.ID", "1"},
        {"F.ACCOUNT_ID", std::to_string(id)}, {"F.NAME || ' ' || F.ALIAS", "/srv/ftp/" + odd + " /"}};
    for (const auto& [value, row] : rows)
        EXPECT_EQ(db_->Value(Format("SELECT %s FROM ACCOUNTS A JOIN SETTINGS S ON S.ID=A.SETTINGS_ID JOIN QUOTAS Q "
                                    "ON Q.ID=A.QUOTA_ID JOIN RATIOS R ON R.ID=A.RATIO_ID JOIN FOLDERS F ON "
                                    "F.ID=A.HOME_FOLDER_ID WHERE A.ID=%ld", value, id)), row) << value;
    EXPECT_EQ(db_->Value(Format("SELECT F.NAME FROM ACCOUNTS A JOIN FOLDERS F ON F.ID=A.HOME_FOLDER_ID WHERE A.ID=%ld",
                                id + 1)), "/srv/ftp/" + evil);
    EXPECT_EQ(Run(false), expected({}, ""));
    dlg_.m_pConnection.Release();  // no connection object: an invalid pointer, not a crash
    dlg_.CheckAccounts();
    EXPECT_THAT(LogLines(dlg_), Contains("Code = 80004003"));
}

// A damaged file for comparing readings: 2,500 accounts (more than two batches) whose links are sound, NULL, 0 and
// negative (both with rows), dangling, or real numbers; IDs shared, NULL and unique.
void DamageForComparison(AccountDatabase& db) {
    db.Exec("DROP TABLE ACCOUNTS; CREATE TABLE ACCOUNTS (ID INTEGER, NAME NVARCHAR(255), SETTINGS_ID INTEGER, "
            "HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID REAL); INSERT INTO SETTINGS (ID) VALUES (0); "
            "INSERT INTO QUOTAS (ID) VALUES (-5); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE "
            "i < 400) INSERT INTO RATIOS (ID) SELECT i FROM c; INSERT INTO FOLDERS (ID) SELECT ID FROM RATIOS;"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 2500) INSERT INTO ACCOUNTS SELECT "
            "CASE i % 5 WHEN 0 THEN 77 WHEN 1 THEN NULL ELSE i END, 'u' || i, CASE i % 3 WHEN 0 THEN NULL WHEN 1 THEN 0 "
            "ELSE 9999 END, i % 450, CASE i % 4 WHEN 0 THEN -5 ELSE i END, (i % 500) + 0.0 FROM c");
}

// Today's statements, one SELECT per account and link in the table's order, run here on the same file: the log they
// give up to the error block that a missing table starts.
Lines TodaysLog(AccountDatabase& db) {
    const std::pair<const char*, const char*> links[] = {{"SETTINGS_ID", "SETTINGS"}, {"QUOTA_ID", "QUOTA"},
                                                         {"RATIO_ID", "RATIO"}, {"HOME_FOLDER_ID", "FOLDERS"}};
    Lines log;
    for (const std::string& name : db.Exec("SELECT NAME FROM ACCOUNTS ORDER BY rowid")) {
        log.push_back("-- Checking Account [" + name + "] --");
        for (const auto& [link, table] : links) {
            const std::string value = db.Value(Format("SELECT %s FROM ACCOUNTS WHERE NAME = '%s'", link, name.c_str()));
            const std::string target = std::string(table) + (table[0] == 'Q' || table[0] == 'R' ? "S" : "");
            try {
                if (value == "NULL" || db.Exec(Format("SELECT ID FROM %s WHERE ID = %d", target.c_str(),
                                                      static_cast<int>(std::stod(value)))).empty())
                    log.push_back(std::string("Missing recordset in ") + table + " table");
            } catch (const std::runtime_error&) {
                return log.push_back("  "), log.push_back("Exception Recorded"), log;
            }
        }
        log.insert(log.end(), {"-- Finished Checking Account [" + name + "] --", "  "});
    }
    return log;
}

// The three ways of reading accounts (by rowid, by ID and its ties' offset as on servers, whole tables as for Jet
// files) read the same accounts with the same link checks; and the batch read says what today's statements say, on
// the same damaged files: whole logs compared, also where a linked table is missing (the error block comes where
// today's statements meet it).
TEST_F(CheckAccountsTest, EveryWayOfReadingFindsWhatTodaysStatementsFind) {
    DamageForComparison(*db_);
    ado::ConnectionPtr connection = ado::CreateConnection();
    connection->Open(db_->ConnectionString(), "", "", 0);
    std::vector<Lines> readings;
    for (const auto engine : {accounts::AccountSql::Engine::Sqlite, accounts::AccountSql::Engine::Other,
                              accounts::AccountSql::Engine::Jet}) {
        accounts::AccountBatches batches(connection, accounts::AccountSql(engine), 1000);
        Lines seen;
        for (auto batch = batches.Next(); !batch.empty(); batch = batches.Next())
            for (const accounts::Account& a : batch) {
                std::string line = a.name;
                for (const auto& linked : a.linked) line += linked.value() ? " 1" : " 0";
                seen.push_back(line);
            }
        std::sort(seen.begin(), seen.end());
        readings.push_back(seen);
    }
    EXPECT_EQ(readings[0].size(), 2500u);
    EXPECT_THAT(readings, Each(readings[0]));
    connection->Close();

    for (const char* damage : {"", "DROP TABLE RATIOS"}) {
        db_->Exec(damage);
        const Lines expected = TodaysLog(*db_);
        Lines got;
        dlg_.m_accountProgress = [&](long) {  // the log keeps only its last lines: collect them account by account
            got = std::move(got) + LogLines(dlg_);
            dlg_.m_wndLog.Clear();
        };
        got = std::move(got) + Run(false);
        ASSERT_GE(got.size(), expected.size());
        EXPECT_EQ(Lines(got.begin(), got.begin() + static_cast<long>(expected.size())), expected) << damage;
        EXPECT_EQ(got.size() - expected.size(), *damage ? 6u : 0u);  // the rest of the error block
    }
}

// Runs that may change no row: linked tables whose ID lost its autonumber (no repair may use the rowid SQLite
// made, so other accounts' rows stay as they were); a missing ACCOUNTS table; a damaged page, which ends the run
// before it reads anything; a read-only connection or a backup that cannot be written (a full disk), which stop
// every repair, said once. Files with no damage done by sql keep every byte; extra: more of the connection string.
struct NothingRepaired {
    const char *name, *sql, *extra;
    bool damagePage, fullDisk;
    void (CVeltmoorDlg::*handler)();
    const char *tracer, *says;
    long errors, reported;  // error blocks, finding lines
};

class NothingRepairedTest : public CheckAccountsTest, public WithParamInterface<NothingRepaired> {};

TEST_P(NothingRepairedTest, KeepsEveryRowAndTheFindingsStayReported) {
    const NothingRepaired c = GetParam();
    for (const char* name : {"a", "b", "c"}) db_->AddSoundAccount(name);
    for (int i = 0; i < 20; ++i) db_->AddAccount("u" + std::to_string(i), 999, 999, 999, 999);
    db_->Exec(c.sql);
    if (c.damagePage) {  // Zero the cell pointers of the table's leaf page.
        const long at = (std::stol(db_->Value("SELECT rootpage FROM sqlite_master WHERE name = 'ACCOUNTS'")) - 1) *
                        std::stol(db_->Value("PRAGMA page_size"));
        db_.reset();
        std::string bytes = Bytes(folder_.File("tarnwick.mdb"));
        const int cells = static_cast<unsigned char>(bytes[at + 3]) << 8 | static_cast<unsigned char>(bytes[at + 4]);
        folder_.Write("tarnwick.mdb", bytes.replace(at + 8, 2 * cells, 2 * cells, '\0'));
        db_ = std::make_unique<AccountDatabase>(folder_.File("tarnwick.mdb"), false);
    }
    const auto rows = c.damagePage ? Lines() : db_->Dump();
    const std::string bytes = Bytes(db_->Path());
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);  // a full disk: no file may grow past a few bytes (the signal would end the process)
    const rlimit limit{c.fullDisk ? 512 : saved.rlim_cur, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const Lines lines = Run(true, c.extra, 30, c.handler);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_THAT(lines, Contains(StartsWith("Exception Recorded")).Times(c.errors));
    EXPECT_THAT(lines, Contains(StartsWith(c.tracer)).Times(c.errors));
    EXPECT_THAT(lines, Contains(HasSubstr(c.says)));
    EXPECT_THAT(lines, Each(Not(HasSubstr(" - FIXED"))));
    EXPECT_THAT(lines, Contains(StartsWith("Missing recordset in")).Times(c.reported));
    if (!c.damagePage) { EXPECT_EQ(db_->Dump(), rows); }
    if (!*c.sql) { EXPECT_TRUE(Bytes(db_->Path()) == bytes && folder_.Backups().empty()) << "the file changed or was copied"; }
    EXPECT_THAT(Run(false), Contains(StartsWith("Missing recordset in")).Times(c.reported));
}

constexpr auto kAccounts = &CVeltmoorDlg::OnCheckAccounts;
constexpr const char *kDamaged = "Tracer: CVeltmoorDlg::CheckIntegrity", *kPrepare = "Tracer: CVeltmoorDlg::PrepareRepair",
                     *kReadOnly = "Description: The connection to the database is read-only (its connection string asks for "
                                  "reading only (Mode)), so nothing was repaired. Open it read-write to fix errors.",
                     *kNoAutonumber =
    "CREATE TABLE S AS SELECT * FROM SETTINGS; CREATE TABLE Q AS SELECT * FROM QUOTAS; CREATE TABLE R AS SELECT * FROM "
    "RATIOS; CREATE TABLE F AS SELECT * FROM FOLDERS; DROP TABLE SETTINGS; DROP TABLE QUOTAS; DROP TABLE RATIOS; DROP TABLE "
    "FOLDERS; ALTER TABLE S RENAME TO SETTINGS; ALTER TABLE Q RENAME TO QUOTAS; ALTER TABLE R RENAME TO RATIOS; ALTER "
    "TABLE F RENAME TO FOLDERS;";
INSTANTIATE_TEST_SUITE_P(Cases, NothingRepairedTest, Values(
    NothingRepaired{"LostAutonumber", kNoAutonumber, "", false, false, kAccounts,
                    "Tracer: CVeltmoorDlg::GetInsertIdentityValue", "Description: The INSERT into SETTINGS generated no ID (@@IDENTITY "
                    "is empty): its ID column is not an autonumber column (Check Tables reports it). The account's repair "
                    "was rolled back.", 80, 80},
    NothingRepaired{"NoAccountsTable", "DROP TABLE ACCOUNTS", "", false, false, kAccounts,
                    "Tracer: CVeltmoorDlg::CheckAccounts", "", 1, 0},
    NothingRepaired{"DamagedAccounts", "", "", true, false, kAccounts, kDamaged,
                    "\".recover\" | sqlite3 NEW.db, check NEW.db, and name it as the data source.", 1, 0},
    NothingRepaired{"DamagedTables", "", "", true, false, &CVeltmoorDlg::OnCheckTables, kDamaged,
                    "). Nothing was checked and nothing was written. Recover what it holds into a new file with: sqlite3 '", 1, 0},
    NothingRepaired{"Mode1", "", "; Mode=1", false, false, kAccounts, kPrepare, kReadOnly, 1, 80},
    NothingRepaired{"FullDisk", "", "", false, true, kAccounts, kPrepare, "", 1, 80}),
    [](const auto& test) { return std::string(test.param.name); });

// With a server holding the write lock for 1.5 s, a repair waits for it up to the busy timeout; when that is
// shorter the log says how long it waited, and the account stays as it was.
TEST_F(CheckAccountsTest, RepairsWaitForALockUpToTheTimeout) {
    dlg_.m_bBackupBeforeRepair = false;
    const long id = db_->AddSoundAccount("bob");
    for (const long timeout : {30, 1}) {
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
        const Lines lines = Run(true, "", timeout);
        server.join();
        EXPECT_THAT(lines, Contains(ContainsRegex(timeout == 30 ? "Missing recordset in QUOTA table - FIXED"
                                                                : "holds a lock on the database; waited 1[0-9]{3} ms")));
        EXPECT_EQ(db_->Value(Format("SELECT QUOTA_ID = 999 FROM ACCOUNTS WHERE ID = %ld", id)), timeout == 30 ? "0" : "1");
    }
}

// A home folder is made directly under the shared folder or not at all: names that would put it elsewhere are
// refused with an error block naming the account, and the account and FOLDERS stay as they were. A repair that
// fails with an error (here a FOLDERS table that refuses the row) still writes its finding before the error block.
TEST_F(CheckAccountsTest, HomeFoldersOutsideTheSharedFolderAreRefused) {
    dlg_.m_bBackupBeforeRepair = false;
    const std::string separator = "its name holds a folder separator ('/' or '\\')", control = "its name holds a control character";
    const std::pair<std::string, std::string> names[] = {
        {"../../etc", separator}, {"", "its name is empty"}, {".", "its name \".\" names a folder, not a new one"},
        {"..", "its name \"..\" names a folder, not a new one"}, {"a/b", separator}, {"a\\b", separator},
        {"x\x1b]0;title\x07", control}, {"x\xc2\x85", control}};
    db_->Exec("INSERT INTO SETTINGS DEFAULT VALUES; INSERT INTO QUOTAS DEFAULT VALUES; INSERT INTO RATIOS DEFAULT VALUES");
    for (const auto& [name, why] : names) db_->AddAccount(name, 1, 999, 1, 1);
    const auto before = db_->Dump();
    const Lines lines = Run(true);
    EXPECT_EQ(db_->Dump(), before);
    EXPECT_THAT(lines, Contains("Missing recordset in FOLDERS table - ATTEMPT TO FIX FAILED").Times(std::size(names)));
    for (const auto& [name, why] : names)
        EXPECT_THAT(lines, Contains(HasSubstr("home folder of account [" + name + "] was not repaired: " + why + ".")));
    db_->Exec("DELETE FROM ACCOUNTS; CREATE TRIGGER NO_FOLDERS BEFORE INSERT ON FOLDERS BEGIN SELECT RAISE(FAIL, 'no'); END");
    db_->AddAccount("carol", 1, 999, 1, 1);
    EXPECT_THAT(Run(true), ElementsAre("-- Checking Account [carol] --",
                                       "Missing recordset in FOLDERS table - ATTEMPT TO FIX FAILED", "  ",
                                       "Exception Recorded", _, _, _, _, "Tracer: CVeltmoorDlg::CheckAccounts", _));
    EXPECT_EQ(std::pair(dlg_.m_tally.findings, dlg_.m_tally.errors), std::pair(1, 1));
}

// The SQL Server dialect, every statement as sent: the batch read with its link checks, the account locked and
// read afresh, the home folder's repair in a savepoint, and an identity value that comes back empty, which rolls
// the link's repair back.
TEST(CheckAccountsScripted, HomeFolderRepairStatementsInOrder) {
    for (const bool identity : {true, false}) {
        CVeltmoorDlg dlg;
        ScriptedConnection sql;
        const Rows account = {{"ID", "NAME", "SETTINGS_ID", "HOME_FOLDER_ID", "QUOTA_ID", "RATIO_ID", "HAS_SETTINGS",
                               "HAS_QUOTA", "HAS_RATIO", "HAS_FOLDER"}, {{7, "d'arcy", 1, 2, 3, 4, 1, 1, 1, 0}}};
        sql.On(HasSubstr("FROM ACCOUNTS A WHERE A.ID IS NOT NULL AND")).Return(account);
        sql.On(HasSubstr("WHERE A.ID IS NULL ORDER BY")).Return({account.columns, {}});
        sql.On(HasSubstr("WHERE A.ID = 7")).Return(account);
        sql.On("SELECT A.ID FROM ACCOUNTS A WITH (UPDLOCK, HOLDLOCK) WHERE A.ID = 7").Return({{"ID"}, {{7}}});
        sql.On("SELECT @@IDENTITY AS ID").Return({{"ID"}, {{identity ? _variant_t(41) : _variant_t::Null()}}});
        dlg.m_pConnection = sql.Open();
        dlg.m_bFixErrors = 1;
        dlg.CheckAccounts();
        const std::string select =
            "SELECT A.ID AS ID, A.NAME AS NAME, A.SETTINGS_ID AS SETTINGS_ID, A.HOME_FOLDER_ID AS HOME_FOLDER_ID, "
            "A.QUOTA_ID AS QUOTA_ID, A.RATIO_ID AS RATIO_ID, CASE WHEN EXISTS (SELECT 1 FROM SETTINGS L WHERE L.ID = "
            "A.SETTINGS_ID) THEN 1 ELSE 0 END AS HAS_SETTINGS, CASE WHEN EXISTS (SELECT 1 FROM QUOTAS L WHERE L.ID = "
            "A.QUOTA_ID) THEN 1 ELSE 0 END AS HAS_QUOTA, CASE WHEN EXISTS (SELECT 1 FROM RATIOS L WHERE L.ID = "
            "A.RATIO_ID) THEN 1 ELSE 0 END AS HAS_RATIO, CASE WHEN EXISTS (SELECT 1 FROM FOLDERS L WHERE L.ID = "
            "A.HOME_FOLDER_ID) THEN 1 ELSE 0 END AS HAS_FOLDER FROM ACCOUNTS A WHERE A.ID ";
        const std::string order = " ORDER BY A.ID, A.NAME, A.SETTINGS_ID, A.HOME_FOLDER_ID, A.QUOTA_ID, A.RATIO_ID";
        const Lines expected =
            Lines{select + "IS NOT NULL AND A.ID <= (SELECT MAX(T.ID) FROM (SELECT TOP (1000) B.ID FROM ACCOUNTS B "
                  "WHERE B.ID IS NOT NULL ORDER BY B.ID) T)" + order + " OFFSET 0 ROWS FETCH NEXT 1000 ROWS ONLY",
                  kBegin,
                  "SELECT A.ID FROM ACCOUNTS A WITH (UPDLOCK, HOLDLOCK) WHERE A.ID = 7", select + "= 7", kBegin,
                  "INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(7,-1,'/srv/ftp/d''arcy','/')",
                  "SELECT @@IDENTITY AS ID"} +
            (identity ? Lines{"UPDATE FOLDERS SET ROOT_ID=41 WHERE ID=41;",
                              "UPDATE ACCOUNTS SET HOME_FOLDER_ID = 41 WHERE ID = 7", kCommit} : Lines{kRollback}) +
            Lines{kCommit, select + "IS NULL ORDER BY A.NAME, A.SETTINGS_ID, A.HOME_FOLDER_ID, A.QUOTA_ID, A.RATIO_ID "
                  "OFFSET 0 ROWS FETCH NEXT 1000 ROWS ONLY"};
        EXPECT_EQ(sql.Statements(), expected);
        EXPECT_EQ(sql.OpenTransactions(), 0);
        EXPECT_THAT(LogLines(dlg), Contains(std::string("Missing recordset in FOLDERS table - ") +
                                            (identity ? "FIXED" : "ATTEMPT TO FIX FAILED")));
    }
}

}  // namespace
}  // namespace veltmoor::test
