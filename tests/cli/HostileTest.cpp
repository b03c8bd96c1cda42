// The built veltmoor-cli in a hostile environment: a full disk, signals, a real
// terminal, locales, FIFOs and file names that are not UTF-8. Each run is a real
// process started with fork and exec, its streams wired as the case needs.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include "tests/accounts/AccountDatabase.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// veltmoor-cli with these arguments and extra environment ("NAME=value"), its
// stdout going to `out` (a path) and its stderr to a file read back by Finish.
class Cli {
public:
    // asNobody: when run as root, the program runs as the user nobody.
    Cli(const std::vector<std::string>& args, const std::string& out, const std::vector<std::string>& env = {},
        bool asNobody = false) {
        std::vector<char*> argv{const_cast<char*>(VELTMOOR_CLI)}, envp;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        for (const std::string& var : env) envp.push_back(const_cast<char*>(var.c_str()));  // first wins
        for (char** var = environ; *var; ++var) envp.push_back(*var);
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        pid_ = fork();
        if (pid_ != 0) return;
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err_.c_str(), O_WRONLY | O_CREAT, 0600), 2);
        if (asNobody && getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    void Signal(int number) const { kill(pid_, number); }
    // The exit status (-1 when the program did not exit by itself, or was still
    // running after a minute and was killed) and stderr.
    std::pair<int, std::string> Finish() {
        int status = 0;
        for (int i = 0; i < 6000 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (kill(pid_, SIGKILL) == 0) waitpid(pid_, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Content(err_)};
    }

private:
    TempDir errDir_;
    std::string err_ = errDir_.File("stderr");
    pid_t pid_ = -1;
};

// veltmoor-cli on a real pseudo-terminal (stdout and stderr): what the terminal got.
std::string OnTerminal(std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>(VELTMOOR_CLI)};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) seen.append(buffer, static_cast<size_t>(n));
    close(master);
    waitpid(pid, nullptr, 0);
    return seen;
}

// A folder whose tarnwick.mdb has `broken` accounts without a settings row and a
// tables.xml that finds one missing column.
void MakeFolder(const TempDir& dir, int broken) {
    AccountDatabase db(dir.File("tarnwick.mdb"));
    db.Exec("BEGIN");
    for (int i = 0; i < broken; ++i)
        db.Exec("UPDATE ACCOUNTS SET SETTINGS_ID = 0 WHERE ID = " + std::to_string(db.AddSoundAccount("user" + std::to_string(i))));
    db.Exec("COMMIT");
    dir.Write("tables.xml", R"(<VELTMOOR><TABLES><TABLE name="ACCOUNTS"><COLUMN name="PASS"/></TABLE></TABLES></VELTMOOR>)");
}

TEST(HostileTest, AFullDiskOnStdoutIsAnErrorThatSaysSo) {
    TempDir dir;
    MakeFolder(dir, 3);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--folder", dir.Folder(), "tables", "accounts"}, {"--folder", dir.Folder(), "--format=json", "accounts"},
             {"--folder", dir.Folder(), "--quiet", "accounts"}, {"--help"}}) {
        SCOPED_TRACE(args.back());
        auto [status, err] = Cli(args, "/dev/full").Finish();
        EXPECT_TRUE(Has(err, "veltmoor-cli: write error: No space left on device\n")) << err;
        EXPECT_EQ(status & 8, 8) << status;
    }
}

// The run must still be going when the signal comes: many repairs, each its own transaction.
TEST(HostileTest, ASignalStopsBetweenRepairsAndStillReports) {
    for (const auto& [signal, json] : {std::pair{SIGINT, false}, {SIGTERM, true}}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        MakeFolder(dir, 3000);
        const std::string out = dir.File("out");
        Cli run({"--folder", dir.Folder(), "--fix", json ? "--format=json" : "--format=log", "accounts"}, out);
        for (int i = 0; i < 3000 && !Has(Content(out), json ? "\"fixed\":true" : "- FIXED"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        run.Signal(signal);
        const auto [status, err] = run.Finish();
        const std::string log = Content(out);
        EXPECT_EQ(status, 32 | 1) << err;  // the accounts not reached are neither found nor left
        EXPECT_TRUE(Has(err, "; interrupted, stopped between two repairs\n")) << err;
        if (json) {
            EXPECT_TRUE(Has(log, "\"interrupted\":true,\"left\":0,\"status\":33,")) << log.substr(log.size() - 200);
        }
        // Every repair made is in the report, and the backup is whole.
        AccountDatabase db(dir.File("tarnwick.mdb"), false);
        size_t fixed = 0;
        for (size_t at = 0; (at = log.find(json ? "\"fixed\":true" : "- FIXED", at)) != std::string::npos; ++at) ++fixed;
        EXPECT_EQ(db.Value("SELECT COUNT(*) FROM ACCOUNTS WHERE SETTINGS_ID IN (SELECT ID FROM SETTINGS)"),
                  std::to_string(fixed));
        EXPECT_GT(fixed, 0u);
        EXPECT_LT(fixed, 3000u);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
        ASSERT_EQ(left.size(), 4u) << "the database, tables.xml, the output and one backup";
        for (const std::string& name : left) {
            if (!name.ends_with(".bak")) continue;
            EXPECT_EQ(AccountDatabase(dir.File(name), false).Value("SELECT COUNT(*) FROM ACCOUNTS"), "3000");
        }
    }
}

TEST(HostileTest, ControlBytesFromTheDatabaseNeverReachATerminalRaw) {
    TempDir dir;
    MakeFolder(dir, 0);
    AccountDatabase(dir.File("tarnwick.mdb"), false).AddAccount("x\x1b]0;owned\x07\x1b[2J\xc2\x9b" "1m\x7f", 1, 1, 1, 1);
    const std::string raw = "x\x1b]0;owned\x07\x1b[2J\xc2\x9b" "1m\x7f", shown = "x^[]0;owned^G^[[2J\\xc2\\x9b1m^?";
    const struct {
        bool terminal;
        const char* option;
        std::string want;
    } cases[] = {
        {true, "--color=auto", shown}, {true, "--color=never", shown}, {false, "--color=always", shown},
        {false, "--color=never", raw}, {false, "--color=auto", raw},
        {true, "--format=json", R"(x\u001b]0;owned\u0007\u001b[2J\u009b1m\u007f)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + (c.terminal ? " on a terminal" : " to a file"));
        const std::vector<std::string> args{"--folder", dir.Folder(), c.option, "accounts"};
        std::string out = c.terminal ? OnTerminal(args) : "";
        if (!c.terminal) {
            Cli(args, dir.File("out")).Finish();
            out = Content(dir.File("out"));
        }
        EXPECT_TRUE(Has(out, c.want)) << out;
        if (c.want != raw) {
            for (const char* bad : {"\x1b]", "\x1b[2J", "\x07", "\xc2\x9b", "\x7f"}) EXPECT_FALSE(Has(out, bad)) << out;
        }
    }
}

// Names, keywords and connection-string keys fold ASCII only: a Turkish 'i' or a
// German locale changes nothing, neither in the report nor in the repaired file.
TEST(HostileTest, TheWholeCheckIsTheSameInEveryLocale) {
    TempDir dir;
    for (const char* connection : {"PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE={}tarnwick.mdb;MODE=READWRITE",
                                   "PROVIDER=MSDASQL;DRIVER={SQLITE3};DATABASE={}tarnwick.mdb"}) {
        std::string reference;
        for (const char* locale : {"C", "tr_TR.UTF-8", "de_DE.UTF-8"}) {
            SCOPED_TRACE(std::string(connection) + " in " + locale);
            fs::remove_all(dir.path() / "tarnwick.mdb");
            MakeFolder(dir, 2);
            std::string config = connection;
            config.replace(config.find("{}"), 2, dir.Folder());
            dir.Write("config.xml", "<C><DATABASE ConnectionString=\"" + config + "\"/></C>");
            dir.Write("tables.xml", R"(<VELTMOOR><TABLES><TABLE name="accounts"><COLUMN name="id"/><COLUMN name="settings_id"/>
              <COLUMN name="pass"/><INDEX name="ix_accounts_name" key="name"/></TABLE><TABLE name="settings">
              <COLUMN name="id"/><COLUMN name="allow_anonymous"/></TABLE><TABLE name="missing"/></TABLES></VELTMOOR>)");
            auto [status, err] = Cli({"--folder", dir.Folder(), "--fix", "--no-backup", "tables", "accounts"},
                                     dir.File("out"), {std::string("LC_ALL=") + locale}).Finish();
            const auto dump = AccountDatabase(dir.File("tarnwick.mdb"), false).Dump();
            const std::string seen = std::to_string(status) + "\n" + err + Content(dir.File("out")) +
                                     std::accumulate(dump.begin(), dump.end(), std::string("\n"));
            if (reference.empty()) {
                reference = seen;
                EXPECT_TRUE(Has(seen, "Missing [pass] Column\r\n") && Has(seen, "Missing [ix_accounts_name] Index") &&
                            Has(seen, "Missing recordset in SETTINGS table - ") && Has(seen, "[missing] could not"))
                    << seen;
            }
            EXPECT_EQ(seen, reference);
        }
    }
}

// Nothing the program reads may block it: a FIFO or a device is refused by name.
TEST(HostileTest, FifosAndDevicesAreRefusedWithoutBlocking) {
    const struct {
        const char* fifo;  // made a FIFO in the folder
        const char* option;
        const char* path;  // "{}" the folder
        int status;
        const char* says;
    } cases[] = {
        {"t.xml", "--tables", "{}t.xml", 16, "{}t.xml: not a regular file (a FIFO) (--tables)."},
        {"d.db", "--database", "{}d.db", 16, "{}d.db: not a regular file (a FIFO) (--database)."},
        {nullptr, "--database", "/dev/null", 16, "/dev/null: not a regular file (a character device) (--database)."},
        {"tables.xml", "--folder", "{}", 8, "veltmoor-cli: {}tables.xml: not a regular file (a FIFO)\n"},
        {"config.xml", "--folder", "{}", 8 | 4, "'{}config.xml' is not a regular file (a FIFO); it was not read."},
        {"tarnwick.mdb", "--folder", "{}", 8, "'{}tarnwick.mdb' is not a regular file (a FIFO), not a database file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        TempDir dir;
        MakeFolder(dir, 0);
        const auto fill = [&](std::string text) {
            if (const size_t at = text.find("{}"); at != std::string::npos) text.replace(at, 2, dir.Folder());
            return text;
        };
        if (c.fifo) {
            fs::remove(dir.File(c.fifo));
            ASSERT_EQ(mkfifo(dir.File(c.fifo).c_str(), 0600), 0);
        }
        const auto [status, err] = Cli({c.option, fill(c.path), "tables", "accounts"}, dir.File("out")).Finish();
        EXPECT_EQ(status, c.status) << err;
        EXPECT_TRUE(Has(err, fill(c.says))) << err;
    }
}

// A name that is not UTF-8 reaches the file system byte for byte.
TEST(HostileTest, FileNamesAreBytes) {
    TempDir dir;
    const std::string folder = dir.File("caf\xe9 \xff\xfe") + "/";
    fs::create_directory(folder);
    MakeFolder(dir, 1);
    fs::rename(dir.File("tarnwick.mdb"), folder + "tarnwick.mdb");
    fs::rename(dir.File("tables.xml"), folder + "tables.xml");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--folder", folder}, {"--database", folder + "tarnwick.mdb", "--tables", folder + "tables.xml"}}) {
        SCOPED_TRACE(args.front());
        std::vector<std::string> all = args;
        all.insert(all.end(), {"tables", "accounts"});
        const auto [status, err] = Cli(all, dir.File("out")).Finish();
        EXPECT_EQ(status, 4) << err;
        EXPECT_TRUE(Has(err, "1 table and 1 account checked; 2 findings")) << err;
        EXPECT_TRUE(Has(Content(dir.File("out")), "Missing [PASS] Column\r\n"));
    }
}

// SQLite cannot make its journal in a folder that cannot be written: with
// --no-backup the run is a read-only one, said once, every account still checked
// and the file unchanged. Root may write any folder, so then the program runs as nobody.
TEST(HostileTest, AnUnwritableFolderMakesTheRunReadOnly) {
    TempDir dir;
    MakeFolder(dir, 3);
    const std::string bytes = Content(dir.File("tarnwick.mdb"));
    fs::permissions(dir.File("tarnwick.mdb"), fs::perms(0666));
    fs::permissions(dir.path(), fs::perms(getuid() == 0 ? 0755 : 0555));
    TempDir elsewhere;
    auto [status, err] = Cli({"--folder", dir.Folder(), "--fix", "--no-backup", "accounts"}, elsewhere.File("out"), {},
                             true).Finish();
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string out = Content(elsewhere.File("out"));
    EXPECT_EQ(status, 8 | 4) << err;
    const size_t block = out.find("Exception Recorded");
    EXPECT_EQ(out.find("Exception Recorded", block + 1), std::string::npos) << out;
    EXPECT_TRUE(Has(out, "read-only (the folder that holds the database file cannot be written")) << out;
    EXPECT_TRUE(Has(err, "3 accounts checked; 3 findings: 0 fixed, 3 left; 1 error")) << err;
    EXPECT_EQ(Content(dir.File("tarnwick.mdb")), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "nothing made beside it";
}

// --quiet holds a run's log back in a temporary file past a small size: what it
// prints in the end is the log of the same run without --quiet, byte for byte.
TEST(HostileTest, QuietPrintsTheWholeLogItHeldBack) {
    TempDir dir;
    MakeFolder(dir, 1500);
    std::string printed[2];
    for (int quiet = 0; quiet < 2; ++quiet) {
        std::vector<std::string> args{"--folder", dir.Folder(), "accounts"};
        if (quiet) args.insert(args.begin(), "--quiet");
        EXPECT_EQ(Cli(args, dir.File("out")).Finish().first, 4);
        printed[quiet] = Content(dir.File("out"));
    }
    EXPECT_GT(printed[0].size(), 128u * 1024) << "the run must outgrow what is held in memory";
    EXPECT_TRUE(printed[0] == printed[1]) << printed[1].size() << " bytes instead of " << printed[0].size();
}

}  // namespace
}  // namespace veltmoor::test
