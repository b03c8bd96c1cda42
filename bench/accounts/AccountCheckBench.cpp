// The account check over a generated database of many accounts (a tenth with one
// broken link), without and with "Fix Errors": veltmoor-cli as a whole process and the
// check in process (with its statements and peak memory), beside the floor: the sqlite3
// shell reading every account with its four link checks in one LEFT JOIN query.
// Peak memory is the growth of the process's peak resident set during the run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>

#include "app/VeltmoorDlg.h"
#include "bench/CountingConnection.h"

namespace veltmoor {
namespace {

namespace fs = std::filesystem;

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
    long statements = 0;
};

// One check in process on a fresh copy of the database.
Run CheckOnce(const std::string& source, bool fix) {
    const std::string copy = source + ".work";
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    Run run;
    CVeltmoorDlg dlg;
    dlg.m_strConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + copy;
    dlg.m_connectionFactory = [&run] {
        return ado::ConnectionPtr(std::make_shared<bench::CountingConnection>(ado::CreateConnection(), &run.statements));
    };
    dlg.OpenConnection();
    dlg.m_bFixErrors = fix ? 1 : 0;
    dlg.m_bBackupBeforeRepair = false;  // the backup is a copy of the file, not the check's own work
    ResetPeakRss();
    const long before = PeakRssKb();
    run.statements = 0;
    const auto start = std::chrono::steady_clock::now();
    dlg.CheckAccounts();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakGrowthKb = PeakRssKb() - before;
    if (dlg.m_tally.errors != 0) {
        std::fprintf(stderr, "%s\n", dlg.m_wndLog.GetText().c_str());
        std::abort();
    }
    return run;
}

// Seconds a shell command takes, on a fresh copy of the database named by {DB}.
double Timed(const std::string& db, std::string command) {
    const std::string copy = db + ".shell";
    fs::copy_file(db, copy, fs::copy_options::overwrite_existing);
    command.replace(command.find("{DB}"), 4, "'" + copy + "'");
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || (WEXITSTATUS(status) & ~5) != 0) std::abort();  // 1, 4: findings
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
        last = CheckOnce(db, fix);
        state.SetIterationTime(last.seconds);
    }
    state.counters["accounts/s"] = benchmark::Counter(static_cast<double>(accounts) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
    state.counters["peak_growth_KiB"] = static_cast<double>(last.peakGrowthKb);
    state.counters["statements"] = static_cast<double>(last.statements);
}

// veltmoor-cli as an operator runs it, its log to /dev/null.
void BM_CliAccounts(benchmark::State& state) {
    const std::string db = MakeDatabase(BenchFolder(), state.range(0));
    const std::string fix = state.range(1) != 0 ? " --fix --no-backup" : "";
    for (auto _ : state)
        state.SetIterationTime(Timed(db, std::string(VELTMOOR_CLI) + " --database {DB}" + fix + " accounts >/dev/null 2>&1"));
}

// The floor: the sqlite3 shell reading every account and its four link checks in one query, ordered by ID.
void BM_FloorOneQuery(benchmark::State& state) {
    const std::string db = MakeDatabase(BenchFolder(), state.range(0));
    for (auto _ : state)
        state.SetIterationTime(Timed(db, "sqlite3 {DB} 'SELECT A.ID, A.NAME, S.ID IS NOT NULL, Q.ID IS NOT NULL, R.ID IS NOT "
                                         "NULL, F.ID IS NOT NULL FROM ACCOUNTS A LEFT JOIN SETTINGS S ON S.ID = A.SETTINGS_ID "
                                         "LEFT JOIN QUOTAS Q ON Q.ID = A.QUOTA_ID LEFT JOIN RATIOS R ON R.ID = A.RATIO_ID "
                                         "LEFT JOIN FOLDERS F ON F.ID = A.HOME_FOLDER_ID ORDER BY A.ID' >/dev/null"));
}

BENCHMARK(BM_FloorOneQuery)->Args({100000})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CliAccounts)->ArgsProduct({{100000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
// 10,000, 100,000 and a million accounts: time, statements, and a peak growth that must not follow the count.
BENCHMARK(BM_CheckAccounts)->ArgsProduct({{10000, 100000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CheckAccounts)->ArgsProduct({{1000000}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace veltmoor
