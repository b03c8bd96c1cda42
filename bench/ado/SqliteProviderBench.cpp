// The SQLite provider against SQLite's C API in the same run:
// - point lookups as the account check sends them (a freshly formatted
//   "SELECT ID FROM SETTINGS WHERE ID = %d" each time) on a 100,000-row table,
//   beside the limit: one prepared statement reused with a bound value;
// - walking 100,000 and 1,000,000 rows through a recordset, beside the same walk
//   with a raw statement, with the peak memory of each walk (resident set growth
//   sampled during the walk, and SQLite's own heap high-water mark).
// After the run the ratio of each figure to its baseline is printed, taken from
// CPU time, which a machine shared with other work disturbs less than wall time.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "base/CString.h"
#include "db/ado/Connection.h"

namespace veltmoor {
namespace {

namespace fs = std::filesystem;

constexpr int kLookupRows = 100000;
constexpr int kWalkRows = 1000000;

// One database for the whole run, built once.
class BenchDatabase {
public:
    BenchDatabase() {
        char pattern[] = "/tmp/veltmoor-bench-XXXXXX";
        dir_ = mkdtemp(pattern);
        path_ = dir_ + "/bench.db";
        sqlite3* db = nullptr;
        sqlite3_open(path_.c_str(), &db);
        sqlite3_exec(db,
                     Format("PRAGMA journal_mode = OFF; BEGIN;"
                            "CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT);"
                            "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %d) "
                            "INSERT INTO SETTINGS SELECT I, I %% 2 FROM N;"
                            "CREATE TABLE BIG (ID INTEGER PRIMARY KEY, NAME TEXT, N INT);"
                            "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %d) "
                            "INSERT INTO BIG SELECT I, 'account-' || I, I * 3 FROM N;"
                            "COMMIT;",
                            kLookupRows, kWalkRows)
                         .c_str(),
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ~BenchDatabase() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string dir_;
    std::string path_;
};

BenchDatabase& Database() {
    static BenchDatabase db;
    return db;
}

ado::ConnectionPtr OpenProvider() {
    auto connection = ado::CreateConnection();
    connection->Open("Provider=Microsoft.Jet.OLEDB.4.0; data source=" + Database().path(), "", "", 0);
    connection->PutCommandTimeout(180);  // as the program sets it
    return connection;
}

sqlite3* OpenRaw() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Database().path().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    return db;
}

// Spreads the lookups over the table in a fixed order.
int NextId(int i) { return static_cast<int>((static_cast<long long>(i) * 7919) % kLookupRows) + 1; }

// Argument 0: each lookup in its own transaction, as the program runs them (every
// statement then takes and drops SQLite's file lock). Argument 1: all lookups in
// one transaction, which leaves the per-statement cost of each side alone.
void BM_PointLookup_Provider(benchmark::State& state) {
    auto connection = OpenProvider();
    if (state.range(0)) connection->BeginTrans();
    int i = 0;
    long long sum = 0;
    for (auto _ : state) {
        const int id = NextId(i++);
        auto rs = connection->Execute(Format("SELECT ID FROM SETTINGS WHERE ID = %d", id));
        if (rs->IsEOF()) state.SkipWithError("row missing");
        sum += rs->GetField("ID").ToInt32();
    }
    benchmark::DoNotOptimize(sum);
    if (state.range(0)) connection->CommitTrans();
    state.SetItemsProcessed(state.iterations());
}

void BM_PointLookup_Baseline_ReusedStatement(benchmark::State& state) {
    sqlite3* db = OpenRaw();
    if (state.range(0)) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT ID FROM SETTINGS WHERE ID = ?", -1, &stmt, nullptr);
    int i = 0;
    long long sum = 0;
    for (auto _ : state) {
        sqlite3_bind_int(stmt, 1, NextId(i++));
        if (sqlite3_step(stmt) != SQLITE_ROW) state.SkipWithError("row missing");
        sum += sqlite3_column_int(stmt, 0);
        sqlite3_reset(stmt);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(stmt);
    if (state.range(0)) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}

// The resident set now, in KiB.
long CurrentRssKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Samples the resident set while walking, so that the peak of this walk is seen
// whatever earlier runs left as the process's high-water mark.
class PeakMemory {
public:
    PeakMemory() : start_(CurrentRssKb()), peak_(start_) { sqlite3_memory_highwater(1); }
    void Sample() {
        const long now = CurrentRssKb();
        if (now > peak_) peak_ = now;
    }
    void Report(benchmark::State& state) {
        Sample();
        state.counters["rss_growth_kb"] = static_cast<double>(peak_ - start_);
        state.counters["rss_peak_kb"] = static_cast<double>(peak_);
        state.counters["sqlite_heap_peak_kb"] = static_cast<double>(sqlite3_memory_highwater(0)) / 1024.0;
    }

private:
    long start_;
    long peak_;
};

constexpr int kSampleEvery = 10000;

void BM_Walk_Provider(benchmark::State& state) {
    auto connection = OpenProvider();
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PeakMemory memory;
        auto rs = connection->Execute(Format("SELECT ID, NAME, N FROM BIG WHERE ID <= %d", rows));
        long long seen = 0, bytes = 0;
        while (!rs->IsEOF()) {
            bytes += static_cast<long long>(rs->GetField("NAME").AsText().size());
            seen += rs->GetField("N").ToInt32() > 0;
            rs->MoveNext();
            if (seen % kSampleEvery == 0) memory.Sample();
        }
        rs->Close();
        if (seen != rows) state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(bytes);
        state.PauseTiming();
        memory.Report(state);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void BM_Walk_Baseline_RawStatement(benchmark::State& state) {
    sqlite3* db = OpenRaw();
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PeakMemory memory;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT ID, NAME, N FROM BIG WHERE ID <= ?", -1, &stmt, nullptr);
        sqlite3_bind_int(stmt, 1, rows);
        long long seen = 0, bytes = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            bytes += static_cast<long long>(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                                                        static_cast<size_t>(sqlite3_column_bytes(stmt, 1)))
                                                .size());
            seen += sqlite3_column_int(stmt, 2) > 0;
            if (seen % kSampleEvery == 0) memory.Sample();
        }
        sqlite3_finalize(stmt);
        if (seen != rows) state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(bytes);
        state.PauseTiming();
        memory.Report(state);
        state.ResumeTiming();
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * rows);
}

BENCHMARK(BM_PointLookup_Baseline_ReusedStatement)->Arg(0)->Arg(1);
BENCHMARK(BM_PointLookup_Provider)->Arg(0)->Arg(1);
BENCHMARK(BM_Walk_Baseline_RawStatement)->Arg(100000)->Arg(kWalkRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk_Provider)->Arg(100000)->Arg(kWalkRows)->Unit(benchmark::kMillisecond);

// Prints each figure beside its baseline once the run is over.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        Ratio("point lookup", "BM_PointLookup_Provider/0", "BM_PointLookup_Baseline_ReusedStatement/0", "goal <= 1.50");
        Ratio("point lookup, one txn", "BM_PointLookup_Provider/1", "BM_PointLookup_Baseline_ReusedStatement/1", "");
        for (const char* rows : {"100000", "1000000"}) {
            Ratio(std::string("walk ") + rows + " rows", std::string("BM_Walk_Provider/") + rows,
                  std::string("BM_Walk_Baseline_RawStatement/") + rows, "");
        }
    }

private:
    void Ratio(const std::string& what, const std::string& figure, const std::string& baseline, const char* goal) {
        const auto f = times_.find(figure);
        const auto b = times_.find(baseline);
        if (f == times_.end() || b == times_.end() || b->second <= 0) return;
        std::printf("%-22s provider / baseline (CPU time) = %.2f  %s\n", what.c_str(), f->second / b->second, goal);
    }
    std::map<std::string, double> times_;
};

}  // namespace
}  // namespace veltmoor

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    veltmoor::Database();  // built before any timing starts
    veltmoor::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
