// Both passes of the table check over a generated embedded database of 500 tables
// (20 columns and 3 indexes each, a tenth of them damaged), beside reading the whole
// schema once with the sqlite3 shell (`sqlite3 db .schema`, spawned), measured in the
// same run. The goal is a check under 20 times the schema read.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/VeltmoorDlg.h"

extern char** environ;

namespace veltmoor {
namespace {

namespace fs = std::filesystem;

constexpr int kTables = 500;
constexpr int kColumns = 20;  // ID and C01..C19

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error);
        std::abort();
    }
}

std::string TableName(int t) {
    char name[16];
    std::snprintf(name, sizeof name, "T%03d", t);
    return name;
}

// Every tenth table is damaged, in turn: autonumber lost, a default missing, an
// index missing, a column missing, the table missing.
enum class Damage { None, Autonumber, Default, Index, Column, Table };
Damage DamageOf(int t) {
    if (t % 10 != 0) return Damage::None;
    return static_cast<Damage>(1 + (t / 10) % 5);
}

// The database and tables.xml in folder (made once per folder).
void MakeFiles(const fs::path& folder) {
    const fs::path db = folder / "tarnwick.mdb";
    if (fs::exists(db)) return;
    std::string xml = "<?xml version=\"1.0\"?>\n<VELTMOOR><TABLES>\n";
    sqlite3* handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    Exec(handle, "PRAGMA journal_mode=DELETE; BEGIN;");
    for (int t = 0; t < kTables; ++t) {
        const std::string name = TableName(t);
        const Damage damage = DamageOf(t);
        xml += "<TABLE name=\"" + name + "\">\n  <COLUMN name=\"ID\" jetType=\"autonumber\" sqlSType=\"int\"/>\n";
        std::string create = "CREATE TABLE " + name +
                             (damage == Damage::Autonumber ? " (ID INTEGER NOT NULL" : " (ID INTEGER PRIMARY KEY");
        for (int c = 1; c < kColumns; ++c) {
            char column[8];
            std::snprintf(column, sizeof column, "C%02d", c);
            const bool text = c % 4 == 3;
            const bool withDefault = !text && c % 2 == 1;
            xml += std::string("  <COLUMN name=\"") + column + "\" sqlSType=\"" + (text ? "nvarchar" : "int") + "\"" +
                   (withDefault ? " hasdefaultvalue=\"true\" defaultvalue=\"1\" type=\"int\"" : "") + "/>\n";
            if (damage == Damage::Column && c == kColumns - 1) continue;
            create += std::string(", ") + column + (text ? " NVARCHAR(255)" : " INTEGER");
            if (withDefault && !(damage == Damage::Default && c == 1)) create += " DEFAULT 1";
        }
        create += ")";
        xml += "  <INDEX name=\"PrimaryKey\" key=\"ID\" primary=\"yes\" unique=\"yes\"/>\n";
        const char* const keys[] = {"C02", "C03", "C04"};
        for (int i = 0; i < 3; ++i)
            xml += "  <INDEX name=\"IX_" + name + "_" + keys[i] + "\" key=\"" + keys[i] + "\"" +
                   (i == 1 ? " unique=\"yes\"" : "") + "/>\n";
        xml += "</TABLE>\n";
        if (damage == Damage::Table) continue;
        Exec(handle, create);
        for (int i = 0; i < 3; ++i) {
            if (damage == Damage::Index && i == 2) continue;
            Exec(handle, std::string("CREATE ") + (i == 1 ? "UNIQUE " : "") + "INDEX IX_" + name + "_" + keys[i] +
                             " ON " + name + "(" + keys[i] + ")");
        }
        Exec(handle, "INSERT INTO " + name + " (ID, C02, C03) VALUES (1, 1, 1), (2, 2, 2), (3, 3, 3)");
    }
    Exec(handle, "COMMIT;");
    sqlite3_close(handle);
    std::ofstream(folder / "tables.xml") << xml << "</TABLES></VELTMOOR>\n";
}

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("veltmoor-bench-schema-" + std::to_string(getpid()));
        fs::create_directories(f);
        MakeFiles(f);
        return f;
    }();
    return folder;
}

void BM_SchemaRead_Sqlite3Shell(benchmark::State& state) {
    const std::string db = (Folder() / "tarnwick.mdb").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("sqlite3"), const_cast<char*>(db.c_str()), const_cast<char*>(".schema"), nullptr};
    double childSeconds = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot spawn sqlite3");
            break;
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        childSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("sqlite3 failed");
    }
    posix_spawn_file_actions_destroy(&actions);
    // The shell's own CPU time, which the parent's CPU column does not show.
    state.counters["shell_cpu_ms"] =
        benchmark::Counter(childSeconds * 1e3 / static_cast<double>(state.iterations()));
}

void BM_CheckTables_BothPasses(benchmark::State& state) {
    const fs::path folder = Folder();
    CVeltmoorDlg dialog(nullptr, (folder / "veltmoor").string());
    dialog.m_strProgramFolder = folder.string() + "/";
    dialog.m_strConnectionString =
        "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + (folder / "tarnwick.mdb").string();
    dialog.OpenConnection();
    dialog.m_bFixErrors = 0;  // a check that finds, and changes nothing
    for (auto _ : state) {
        dialog.m_wndLog.Clear();
        dialog.m_tally.Reset();
        const bool ok = dialog.CheckTables(true);
        dialog.m_wndLog.AddLine("  ");
        dialog.CheckTables(false);
        if (!ok || dialog.m_tally.errors) state.SkipWithError("the check recorded an error");
    }
    state.counters["findings"] = dialog.m_tally.findings;
}

BENCHMARK(BM_SchemaRead_Sqlite3Shell)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CheckTables_BothPasses)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the check's time as a multiple of the schema read after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            // Times in milliseconds, as both benchmarks report them.
            if (name.rfind("BM_SchemaRead_Sqlite3Shell", 0) == 0) {
                baseWall_ = run.GetAdjustedRealTime();
                const auto shell = run.counters.find("shell_cpu_ms");
                baseCpu_ = run.GetAdjustedCPUTime() + (shell != run.counters.end() ? shell->second.value : 0);
            }
            if (name.rfind("BM_CheckTables_BothPasses", 0) == 0) {
                checkWall_ = run.GetAdjustedRealTime();
                checkCpu_ = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (baseWall_ > 0 && checkWall_ > 0)
            std::printf("\nboth passes / sqlite3 .schema: %.2f by wall time, %.2f by CPU time (goal: under 20)\n",
                        checkWall_ / baseWall_, baseCpu_ > 0 ? checkCpu_ / baseCpu_ : 0.0);
    }

private:
    double baseWall_ = 0, baseCpu_ = 0, checkWall_ = 0, checkCpu_ = 0;
};

}  // namespace
}  // namespace veltmoor

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    veltmoor::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(veltmoor::Folder(), ignored);
    return 0;
}
