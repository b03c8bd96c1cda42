// veltmoor-cli's two streams and its options as users meet them: each stream on a
// real pseudo-terminal or a pipe, each option and connection Mode against real
// SQLite files that are writable, read-only, damaged or locked.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

struct Streams {
    int status = -1;
    std::string out, err;  // with both on the terminal, all of it is in out
};

// Runs veltmoor-cli with stdout, stderr or both on a pseudo-terminal in raw mode
// (so its bytes arrive as written) and the others on pipes.
Streams RunCli(const std::vector<std::string>& args, bool outTerminal = false, bool errTerminal = false) {
    termios raw{};
    cfmakeraw(&raw);
    winsize size{24, 80, 0, 0};
    int master = -1, slave = -1, out[2], err[2];
    if (openpty(&master, &slave, nullptr, &raw, &size) != 0 || pipe(out) != 0 || pipe(err) != 0) {
        ADD_FAILURE() << "no pseudo-terminal or pipe";
        return {};
    }
    std::vector<char*> argv{const_cast<char*>(VELTMOOR_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outTerminal ? slave : out[1], STDOUT_FILENO);
        dup2(errTerminal ? slave : err[1], STDERR_FILENO);
        dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    close(out[1]);
    close(err[1]);
    std::string terminal, text[2];
    pollfd fds[3] = {{master, POLLIN, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int open = 3; open > 0 && poll(fds, 3, 60000) > 0;) {
        for (int i = 0; i < 3; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? terminal : text[i - 1]).append(buffer, static_cast<size_t>(n));
                continue;
            }
            close(fds[i].fd);  // end of a pipe; EIO on the terminal once the program is gone
            fds[i].fd = -1;
            --open;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, outTerminal ? terminal : text[0],
            errTerminal && !outTerminal ? terminal : text[1]};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void Exec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// tarnwick.mdb whose table "Café" lacks the index that tables.xml asks for (a
// fixable finding) and tables.xml names a table "Über" that is not there (one
// that is only reported).
struct Folder : TempDir {
    Folder() {
        Exec(File("tarnwick.mdb"), "CREATE TABLE \"Café\" (ID INTEGER PRIMARY KEY, \"Prénom\" TEXT);"
                                   "INSERT INTO \"Café\" VALUES (1, 'Zoë')");
        Write("tables.xml", "<VELTMOOR><TABLES><TABLE name=\"Café\"><COLUMN name=\"Prénom\" sqlSType=\"nvarchar\"/>"
                            "<INDEX name=\"IX_Prénom\" key=\"Prénom\"/></TABLE><TABLE name=\"Über\"/></TABLES></VELTMOOR>");
    }
    std::string Database() const { return File("tarnwick.mdb"); }
    std::vector<std::string> Args(std::vector<std::string> args) const {
        args.insert(args.begin(), "--folder=" + path().string());
        return args;
    }
    size_t Backups() const {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(path())) n += entry.path().extension() == ".bak";
        return n;
    }
};

const std::string kLog =
    "  \r\n--- Checking table: Café ---\r\nMissing [IX_Prénom] Index\r\n--- Checking Complete ---\r\n  \r\n"
    "--- Checking table: Über ---\r\n** Table [Über] could not be located!!\r\n"
    "** If you are using sql server verify that the table is not owned by another user.\r\n"
    "** email: support@veltmoor.example for help.\r\n--- Checking Complete ---\r\n  \r\n";
const std::string kSummary = "veltmoor-cli: 2 tables and 0 accounts checked; 2 findings: 0 fixed, 2 left; 0 errors\n";

TEST(CliStreams, EachStreamIsDecidedByItsOwnTerminal) {
    struct Case {
        bool outTerminal, errTerminal;
        const char* colour;
        bool outColoured, errColoured;
    };
    const Case cases[] = {
        {false, false, "--color=auto", false, false}, {true, false, "--color=auto", true, false},
        {false, true, "--color=auto", false, true},   {true, true, "--color=never", false, false},
        {false, false, "--color=always", true, true}, {true, false, "--color=never", false, false},
    };
    Folder folder;
    TempDir empty;  // no database: start-up writes its error block to stderr
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.outTerminal) + std::to_string(c.errTerminal) + c.colour);
        const Streams run = RunCli(folder.Args({c.colour, "tables"}), c.outTerminal, c.errTerminal && !c.outTerminal);
        EXPECT_EQ(run.status, 4);
        EXPECT_EQ(Has(run.out, "\x1b["), c.outColoured) << run.out;
        EXPECT_TRUE(c.outColoured ? Has(run.out, "Über") : run.out == kLog) << run.out;
        const Streams failed = RunCli({"--folder=" + empty.path().string(), c.colour, "tables"}, c.outTerminal, c.errTerminal);
        EXPECT_EQ(failed.status, 8);
        const std::string& err = c.errTerminal && c.outTerminal ? failed.out : failed.err;
        EXPECT_EQ(Has(err, "\x1b[38;2;255;255;0;49mException Recorded\x1b[0m\r\n"), c.errColoured) << err;
        EXPECT_TRUE(Has(err, "Exception Recorded")) << err;
    }
}

TEST(CliStreams, ProgressOnlyWhereStderrIsATerminal) {
    TempDir dir;
    ASSERT_EQ(std::system(("'" VELTMOOR_SOURCE_DIR "/examples/make-example-db' '" + dir.File("tarnwick.mdb") + "'").c_str()), 0);
    const std::string folder = "--folder=" + dir.path().string();
    struct Case {
        bool outTerminal, errTerminal, quiet, progress;
    };
    for (const Case c : {Case{false, true, false, true}, Case{true, false, false, false}, Case{false, true, true, false},
                         Case{false, false, false, false}}) {
        SCOPED_TRACE(std::to_string(c.outTerminal) + std::to_string(c.errTerminal) + std::to_string(c.quiet));
        const Streams run = RunCli({folder, c.quiet ? "--quiet" : "--color=auto", "accounts"}, c.outTerminal, c.errTerminal);
        EXPECT_EQ(run.status, 4);
        EXPECT_EQ(Has(run.err, " accounts\x1b[K"), c.progress) << run.err;
        EXPECT_EQ(Has(run.err, "\r\x1b[K"), c.progress);
        EXPECT_FALSE(Has(run.out, " accounts\x1b[K"));
        EXPECT_TRUE(Has(run.out, "-- Checking Account [")) << run.out;
    }
}

TEST(CliStreams, NonAsciiNamesReachEveryOutputUnchanged) {
    Folder folder;
    const Streams pipe = RunCli(folder.Args({"tables"}));
    EXPECT_EQ(pipe.out, kLog);
    EXPECT_EQ(pipe.err, "DETECTED MDAC VERSION: 2.80\n" + kSummary);
    // A terminal gets the same letters, never shown as escapes.
    const Streams terminal = RunCli(folder.Args({"--color=never", "tables"}), true, true);
    EXPECT_EQ(terminal.out, "DETECTED MDAC VERSION: 2.80\n" + kLog + kSummary);
    const Streams json = RunCli(folder.Args({"--format=json", "--fix", "--no-backup", "tables"}));
    EXPECT_EQ(json.status, 5);
    EXPECT_EQ(json.out,
              R"({"check":"tables","fixed":true,"index":"IX_Prénom","message":"Missing [IX_Prénom] Index","table":"Café"})" "\n"
              R"({"check":"tables","fixed":false,"message":"** Table [Über] could not be located!!","table":"Über"})" "\n"
              R"({"summary":{"accounts":0,"errors":0,"findings":2,"fixed":1,"left":1,"status":5,"tables":2}})" "\n");
}

// What each connection Mode, each state of the file and each option let a repair
// run do: its exit status, whether the index was made, how many backups it left.
TEST(CliOptions, WhatEachModeAndFileAllows) {
    enum State { Writable, ReadOnlyFile, Damaged, Locked };
    struct Case {
        const char* mode;  // the connection string's Mode, nullptr: --folder
        State state;
        const char* option;
        int status;
        bool fixed;
        size_t backups;
        const char* says;
    };
    const char* readOnly = "The connection to the database is read-only";
    const Case cases[] = {
        {nullptr, Writable, "--quiet", 5, true, 1, ""},
        {nullptr, Writable, "--no-backup", 5, true, 0, "Missing [IX_Prénom] Index - FIXED"},
        {nullptr, ReadOnlyFile, "--no-backup", 12, false, 0, readOnly},
        {nullptr, Damaged, "--color=always", 8, false, 0, "is damaged"},
        {nullptr, Locked, "--format=json", 8, false, 0, "database is locked"},
        {"Read", Writable, "--no-backup", 12, false, 0, readOnly},
        {"Share Deny Write", Writable, "--quiet", 12, false, 0, readOnly},
        {"1", Writable, "--format=json", 12, false, 0, "read-only"},
        {"8", Writable, "--no-backup", 12, false, 0, readOnly},
        {"Read|Write", Writable, "--no-backup", 5, true, 0, ""},
        {"ReadWrite", Writable, "--no-backup", 5, true, 0, ""},
        {"Write", Writable, "--color=never", 5, true, 1, ""},
        {"Share Deny None", Writable, "--no-backup", 5, true, 0, ""},
        {"share exclusive | read", Writable, "--no-backup", 12, false, 0, readOnly},
        {"Share Deny Read", Writable, "--no-backup", 5, true, 0, ""},
        {"3", Writable, "--no-backup", 5, true, 0, ""},
        {"16", Writable, "--no-backup", 5, true, 0, ""},
        {"ReadWrite", ReadOnlyFile, "--no-backup", 12, false, 0, readOnly},
        {"Readonly", Writable, "--no-backup", 8, false, 0, "is not an ADO connection mode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode ? c.mode : "-") + " " + std::to_string(c.state) + " " + c.option);
        Folder folder;
        const std::string db = folder.Database();
        if (c.state == ReadOnlyFile) chmod(db.c_str(), 0444);
        if (c.state == Damaged) {
            std::filesystem::resize_file(db, 4096 + 100);  // the table's page cut off
        }
        sqlite3* lock = nullptr;
        if (c.state == Locked) {
            sqlite3_open(db.c_str(), &lock);
            sqlite3_exec(lock, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        }
        std::vector<std::string> args = folder.Args({"--fix", c.option, "tables"});
        if (c.mode) {
            args[0] = "--connection=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db + ";Mode=" + c.mode;
            args.insert(args.begin() + 1, "--tables=" + folder.File("tables.xml"));
        }
        const Streams run = RunCli(args);
        sqlite3_close(lock);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_TRUE(Has(run.out + run.err, c.says)) << run.out << run.err;
        EXPECT_EQ(folder.Backups(), c.backups);
        if (c.state == Writable) {
            const Streams again = RunCli(folder.Args({"--quiet", "tables"}));
            EXPECT_EQ(again.status, 4);
            EXPECT_EQ(Has(again.out, "Missing [IX_Prénom] Index"), !c.fixed) << again.out;
        }
    }
}

}  // namespace
}  // namespace veltmoor::test
