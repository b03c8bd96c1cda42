// The account check over a generated database of many accounts (a tenth with
// broken links), without and with "Fix Errors", beside the same statement stream
// run by the sqlite3 shell. The stream is recorded from the check itself, so both
// sides send exactly the same statements. Peak memory is reported as the growth of
// the process's peak resident set during the run (reset before it).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "app/VeltmoorDlg.h"

namespace veltmoor {
namespace {

namespace fs = std::filesystem;

// Forwards to a real connection and writes every statement as the sqlite3 shell
// would need it.
class RecordingConnection final : public ado::Connection {
public:
    RecordingConnection(ado::ConnectionPtr inner, std::ostream* out) : inner_(std::move(inner)), out_(out) {}
    void Open(const std::string& cs, const std::string& u, const std::string& p, long o) override { inner_->Open(cs, u, p, o); }
    void Close() override { inner_->Close(); }
    long State() override { return inner_->State(); }
    ado::RecordsetPtr Execute(const std::string& sql) override {
        if (out_) *out_ << std::regex_replace(sql, std::regex("@@IDENTITY"), "last_insert_rowid()") << (sql.back() == ';' ? "\n" : ";\n");
        return inner_->Execute(sql);
    }
    std::string Version() override { return inner_->Version(); }
    std::string Provider() override { return inner_->Provider(); }
    void PutCommandTimeout(long s) override { inner_->PutCommandTimeout(s); }
    void BeginTrans() override { Mark("BEGIN;"); inner_->BeginTrans(); }
    void CommitTrans() override { Mark("COMMIT;"); inner_->CommitTrans(); }
    void RollbackTrans() override { Mark("ROLLBACK;"); inner_->RollbackTrans(); }
    std::shared_ptr<ado::CatalogBackend> Catalog() override { return inner_->Catalog(); }
    std::string DatabaseFile() override { return inner_->DatabaseFile(); }
    bool IsReadOnly() override { return inner_->IsReadOnly(); }
    std::string ReadOnlyReason() override { return inner_->ReadOnlyReason(); }
    std::string QuickCheck() override { return inner_->QuickCheck(); }
    std::string BackupTo(const std::string& path) override { return inner_->BackupTo(path); }

private:
    void Mark(const char* s) {
        if (out_) *out_ << s << "\n";
    }
    ado::ConnectionPtr inner_;
    std::ostream* out_;
};

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error);
        std::abort();
    }
}

// accounts rows, every tenth with one broken link (cycling through the four).
std::string MakeDatabase(const fs::path& folder, long accounts) {
    const fs::path path = folder / ("accounts-" + std::to_string(accounts) + ".mdb");
    if (fs::exists(path)) return path.string();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, "PRAGMA journal_mode=DELETE; BEGIN;"
             "CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT DEFAULT 0);"
             "CREATE TABLE QUOTAS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_QUOTA BIT DEFAULT 0);"
             "CREATE TABLE RATIOS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_RATIO BIT DEFAULT 0);"
             "CREATE TABLE FOLDERS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ACCOUNT_ID INTEGER, ROOT_ID INTEGER,"
             " NAME NVARCHAR(255), ALIAS NVARCHAR(255));"
             "CREATE TABLE ACCOUNTS (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME NVARCHAR(255), SETTINGS_ID INTEGER,"
             " HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID INTEGER);");
    const std::string n = std::to_string(accounts);
    Exec(db, ("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " + n + ") "
              "INSERT INTO SETTINGS (ID) SELECT i FROM c;").c_str());
    Exec(db, "INSERT INTO QUOTAS (ID) SELECT ID FROM SETTINGS; INSERT INTO RATIOS (ID) SELECT ID FROM SETTINGS;"
             "INSERT INTO FOLDERS (ID, ACCOUNT_ID, ROOT_ID, NAME, ALIAS) SELECT ID, ID, ID, '/srv/ftp/user' || ID, '/' FROM SETTINGS;"
             "INSERT INTO ACCOUNTS (ID, NAME, SETTINGS_ID, HOME_FOLDER_ID, QUOTA_ID, RATIO_ID)"
             " SELECT ID, 'user' || ID, ID, ID, ID, ID FROM SETTINGS;"
             "DELETE FROM SETTINGS WHERE ID % 40 = 0; DELETE FROM QUOTAS WHERE ID % 40 = 10;"
             "DELETE FROM RATIOS WHERE ID % 40 = 20; DELETE FROM FOLDERS WHERE ID % 40 = 30; COMMIT;");
    sqlite3_close(db);
    return path.string();
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Run {
    double seconds = 0;
    long peakGrowthKb = 0;
};

// One check on a fresh copy of the database (after the integrity check when asked,
// as the button runs it); the statements go to stream when given.
Run CheckOnce(const std::string& source, bool fix, std::ostream* stream, bool integrity = false) {
    const std::string copy = source + ".work";
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    CVeltmoorDlg dlg;
    dlg.m_strConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + copy;
    dlg.m_connectionFactory = [stream] {
        return ado::ConnectionPtr(std::make_shared<RecordingConnection>(ado::CreateConnection(), stream));
    };
    dlg.OpenConnection();
    dlg.m_bFixErrors = fix ? 1 : 0;
    dlg.m_bBackupBeforeRepair = false;  // the backup is a copy of the file, not the check's own work
    ResetPeakRss();
    const long before = PeakRssKb();
    const auto start = std::chrono::steady_clock::now();
    if (!integrity || dlg.CheckIntegrity()) dlg.CheckAccounts();
    const auto end = std::chrono::steady_clock::now();
    Run run{std::chrono::duration<double>(end - start).count(), PeakRssKb() - before};
    if (dlg.m_tally.errors != 0) {
        std::fprintf(stderr, "%s\n", dlg.m_wndLog.GetText().c_str());
        std::abort();
    }
    return run;
}

// On tmpfs where there is one: both sides make the same commits, and the disk's
// flush time would only hide the difference in their own work.
fs::path BenchFolder() {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path folder = base / "veltmoor-bench-accounts";
    fs::create_directories(folder);
    return folder;
}

void BM_CheckAccounts(benchmark::State& state) {
    const long accounts = state.range(0);
    const bool fix = state.range(1) != 0;
    const std::string db = MakeDatabase(BenchFolder(), accounts);
    Run last;
    for (auto _ : state) {
        last = CheckOnce(db, fix, nullptr);
        state.SetIterationTime(last.seconds);
    }
    state.counters["accounts/s"] = benchmark::Counter(static_cast<double>(accounts) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
    state.counters["peak_growth_KiB"] = static_cast<double>(last.peakGrowthKb);
}

// The check as the button runs it: PRAGMA quick_check first (range(1) = 1), beside
// the same check without it.
void BM_CheckAccountsIntegrityFirst(benchmark::State& state) {
    const long accounts = state.range(0);
    const bool integrity = state.range(1) != 0;
    const std::string db = MakeDatabase(BenchFolder(), accounts);
    for (auto _ : state) state.SetIterationTime(CheckOnce(db, false, nullptr, integrity).seconds);
}

// The same statements through the sqlite3 shell (process start included).
void BM_Sqlite3ShellSameStatements(benchmark::State& state) {
    const long accounts = state.range(0);
    const bool fix = state.range(1) != 0;
    const std::string db = MakeDatabase(BenchFolder(), accounts);
    const std::string script = db + (fix ? ".fix.sql" : ".check.sql");
    {
        std::ofstream out(script);
        CheckOnce(db, fix, &out);
    }
    const std::string copy = db + ".shell";
    for (auto _ : state) {
        fs::copy_file(db, copy, fs::copy_options::overwrite_existing);
        const auto start = std::chrono::steady_clock::now();
        const int rc = std::system(("sqlite3 -bail '" + copy + "' < '" + script + "' > /dev/null").c_str());
        const auto end = std::chrono::steady_clock::now();
        if (rc != 0) state.SkipWithError("sqlite3 shell failed");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["accounts/s"] = benchmark::Counter(static_cast<double>(accounts) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
}

// 10,000 and 100,000 accounts: the peak growth must not follow the count.
BENCHMARK(BM_CheckAccounts)->ArgsProduct({{10000, 100000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
// A million accounts: peak memory beside the growth at 10,000 and 100,000 above.
BENCHMARK(BM_CheckAccounts)->Args({1000000, 1})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CheckAccountsIntegrityFirst)->ArgsProduct({{100000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sqlite3ShellSameStatements)->ArgsProduct({{10000, 100000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace veltmoor
