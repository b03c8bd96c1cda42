// veltmoor-cli's two streams and its options as users meet them: each stream on a real pseudo-terminal or a pipe,
// each option and connection Mode against real SQLite files that are writable, read-only, damaged or locked.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

#include "tests/accounts/AccountDatabase.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

// tarnwick.mdb whose table "Café" lacks the index that tables.xml asks for (a
// fixable finding), tables.xml naming a table "Über" that is not there (one that
// is only reported), and the account "Zoë" whose settings row is gone (fixable).
struct Folder : TempDir {
    Folder() {
        AccountDatabase db(File("tarnwick.mdb"));
        db.Exec("CREATE TABLE \"Café\" (ID INTEGER PRIMARY KEY, \"Prénom\" TEXT)");
        db.Exec("UPDATE ACCOUNTS SET SETTINGS_ID = 999 WHERE ID = " + std::to_string(db.AddSoundAccount("Zoë")));
        Write("tables.xml", "<VELTMOOR><TABLES><TABLE name=\"Café\"><COLUMN name=\"Prénom\" sqlSType=\"nvarchar\"/>"
                            "<INDEX name=\"IX_Prénom\" key=\"Prénom\"/></TABLE><TABLE name=\"Über\"/></TABLES></VELTMOOR>");
    }
    std::vector<std::string> Args(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--folder", path().string(), "--tables", File("tables.xml")});
        return args;
    }
};

const std::string kLog =
    "  \r\n--- Checking table: Café ---\r\nMissing [IX_Prénom] Index\r\n--- Checking Complete ---\r\n  \r\n"
    "--- Checking table: Über ---\r\n** Table [Über] could not be located!!\r\n"
    "** If you are using sql server verify that the table is not owned by another user.\r\n"
    "** email: support@veltmoor.example for help.\r\n--- Checking Complete ---\r\n  \r\n";
const std::string kSummary = "veltmoor-cli: 2 tables checked; 2 findings: 0 fixed, 2 left; 0 errors\n";

TEST(CliStreams, EachStreamIsDecidedByItsOwnTerminal) {
    // stdout on a terminal, stderr on a terminal, an option: is stdout coloured, is stderr, is progress shown
    const std::tuple<bool, bool, const char*, bool, bool, bool> cases[] = {
        {false, false, "--color=auto", false, false, false}, {true, false, "--color=auto", true, false, false},
        {false, true, "--color=auto", false, true, true},     {true, true, "--color=never", false, false, true},
        {false, false, "--color=always", true, true, false}, {true, true, "--color=auto", true, true, true},
        {false, true, "--quiet", false, true, false}};
    Folder folder;
    TempDir empty, example;  // no database: start-up writes its error block to stderr
    ASSERT_EQ(std::system(("'" VELTMOOR_SOURCE_DIR "/examples/make-example-db' " + example.File("tarnwick.mdb")).c_str()), 0);
    const std::regex left("veltmoor-cli: \\d+ of \\d+ accounts\x1b\\[K(?!\r)");  // progress neither erased nor redrawn
    for (const auto& [outTerminal, errTerminal, option, outColoured, errColoured, progress] : cases) {
        SCOPED_TRACE(std::to_string(outTerminal) + std::to_string(errTerminal) + option);
        const Streams run = RunCli(folder.Args({option, "tables"}), outTerminal, errTerminal);
        EXPECT_EQ(run.status, 4);
        EXPECT_EQ(Has(run.out, "\x1b[38;2;"), outColoured) << run.out;
        EXPECT_TRUE(outColoured || (outTerminal && errTerminal) || run.out == kLog) << run.out;
        const Streams failed = RunCli({"--folder=" + empty.path().string(), option, "accounts"}, outTerminal, errTerminal);
        EXPECT_EQ(failed.status, 8);
        EXPECT_EQ(Has(failed.err, "\x1b[38;2;255;255;0;49mException Recorded\x1b[0m\r\n"), errColoured) << failed.err;
        const Streams accounts = RunCli({"--folder=" + example.path().string(), option, "accounts"}, outTerminal, errTerminal);
        EXPECT_EQ(accounts.status, 4);
        EXPECT_EQ(Has(accounts.err, " accounts\x1b[K"), progress) << accounts.err;
        EXPECT_EQ(Has(accounts.out, " accounts\x1b[K"), progress && outTerminal);
        EXPECT_TRUE(Has(accounts.err, "\r\x1b[K") == progress && !std::regex_search(accounts.err, left)) << accounts.err;
    }
    // No database: start-up's block after the status line, the run's own on stdout; --quiet keeps the blocks alone.
    const std::string noDatabase = "--folder=" + empty.path().string();
    const Streams plain = RunCli({noDatabase, "accounts"}), quiet = RunCli({"--quiet", noDatabase, "accounts"});
    EXPECT_EQ(plain.err.rfind("NO MDAC VERSION DETECTED\n  \r\nException Recorded\r\n", 0), 0u) << plain.err;
    EXPECT_TRUE(plain.err.ends_with("veltmoor-cli: 0 accounts checked; 0 findings: 0 fixed, 0 left; 2 errors\n"));
    EXPECT_TRUE(Has(plain.out, "Tracer: CVeltmoorDlg::CheckAccounts\r\n") && !Has(plain.out, "OpenConnection")) << plain.out;
    EXPECT_EQ(quiet.err, plain.err.substr(25, plain.err.find("veltmoor-cli: 0 accounts") - 25));
    EXPECT_EQ(quiet.out, plain.out);
}

TEST(CliStreams, NonAsciiNamesReachEveryOutputUnchanged) {
    Folder folder;
    const Streams pipe = RunCli(folder.Args({"tables"}));
    EXPECT_EQ(pipe.out, kLog);
    EXPECT_EQ(pipe.err, "DETECTED MDAC VERSION: 2.80\n" + kSummary);
    // A terminal gets the same letters, never shown as escapes.
    EXPECT_EQ(RunCli(folder.Args({"--color=never", "tables"}), true, true).out, pipe.err.substr(0, 28) + kLog + kSummary);
    // The log and JSON of one repair run tell the same findings, in the same order.
    Folder copy;
    const Streams log = RunCli(copy.Args({"--fix", "--no-backup", "tables", "accounts"}));
    const Streams json = RunCli(folder.Args({"--format=json", "--fix", "--no-backup", "tables", "accounts"}));
    EXPECT_EQ(json.status + log.status, 10);
    for (const char* line : {"\nMissing [IX_Prénom] Index - FIXED\r\n", "\n** Table [Über] could not be located!!\r\n",
                             "\n-- Checking Account [Zoë] --\r\nMissing recordset in SETTINGS table - FIXED\r\n"})
        EXPECT_TRUE(Has(log.out, line)) << log.out;
    EXPECT_EQ(json.out,
              R"({"check":"tables","fixed":true,"index":"IX_Prénom","message":"Missing [IX_Prénom] Index","table":"Café"})" "\n"
              R"({"check":"tables","fixed":false,"message":"** Table [Über] could not be located!!","table":"Über"})" "\n"
              R"({"account":"Zoë","check":"accounts","fixed":true,"link":"SETTINGS_ID","message":"Missing recordset in SETTINGS table"})" "\n"
              R"({"summary":{"accounts":1,"errors":0,"findings":3,"fixed":2,"interrupted":false,"left":1,"status":5,"tables":2}})" "\n");
    const Streams again = RunCli(copy.Args({"--quiet", "accounts"}));  // fixed: a quiet run says nothing
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out + again.err, "");
    for (const std::string& err : {json.err, log.err})
        EXPECT_EQ(err, "DETECTED MDAC VERSION: 2.80\nveltmoor-cli: 2 tables and 1 account checked; 3 findings: 2 fixed, 1 left; 0 errors\n");
}

// What each connection Mode, each state of the file and each option let a repair
// run do: its exit status (5: the index made), what it says, how many backups it left.
TEST(CliOptions, WhatEachModeAndFileAllows) {
    enum State { Writable, ReadOnlyFile, Damaged, Locked };
    const char *fixed = "Missing [IX_Prénom] Index - FIXED", *readOnly = "), so nothing was repaired. Open it read-write to fix errors.";
    const std::tuple<const char*, State, const char*, int, const char*, int> cases[] = {  // Mode (nullptr: --folder)
        {nullptr, Writable, "--quiet", 5, fixed, 1},              {nullptr, Writable, "--no-backup", 5, fixed, 0},
        {nullptr, ReadOnlyFile, "--no-backup", 12, readOnly, 0}, {nullptr, Damaged, "--format=json", 8, R"({"error":{"code":"80004005","description":"The database file ')", 0},
        {nullptr, Locked, "--format=json", 8, R"j(')","msg":"Unspecified error","source":"SQLite","tracer":"CVeltmoorDlg::OpenConnection"}})j", 0},
        {"Read", Writable, "--no-backup", 12, readOnly, 0},
        {"Share Deny Write", Writable, "--quiet", 12, readOnly, 0}, {"1", Writable, "--format=json", 12, "read-only", 0},
        {"8", Writable, "--no-backup", 12, readOnly, 0},          {"share exclusive | read", Writable, "--no-backup", 12, readOnly, 0},
        {"Read|Write", Writable, "--no-backup", 5, fixed, 0},     {"ReadWrite", Writable, "--format=log", 5, fixed, 1},
        {"Write", Writable, "--color=always", 5, "\x1b[38;2;0;146;0;49m--- Backup of the database written to ", 1},
        {"Share Deny None", Writable, "--no-backup", 5, fixed, 0}, {"Share Deny Read", Writable, "--no-backup", 5, fixed, 0},
        {"3", Writable, "--format=json", 5, R"("fixed":true)", 1}, {"16", Writable, "--no-backup", 5, fixed, 0},
        {"ReadWrite", ReadOnlyFile, "--no-backup", 12, readOnly, 0},
        {"Readonly", Writable, "--no-backup", 8, "is incorrect.\r\nSource: Microsoft.Jet.OLEDB.4.0\r\nDescription: The connection string's Mode", 0},
    };
    for (const auto& [mode, state, option, status, says, backups] : cases) {
        SCOPED_TRACE(std::string(mode ? mode : "-") + " " + std::to_string(state) + " " + option);
        Folder folder;
        const std::string db = folder.File("tarnwick.mdb");
        if (state == ReadOnlyFile) chmod(db.c_str(), 0444);
        if (state == Damaged) std::ofstream(db, std::ios::in | std::ios::out).seekp(2 * 4096) << std::string(4096, 'x');  // a table's page
        std::optional<AccountDatabase> lock;
        if (state == Locked) lock.emplace(db, false), lock->Exec("BEGIN EXCLUSIVE");
        std::vector<std::string> args = folder.Args({"--fix", option, "tables"});  // --folder, --tables first
        if (mode) args[0] = "--connection", args[1] = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db + ";Mode=" + mode;
        const Streams run = RunCli(args);
        lock.reset();
        EXPECT_EQ(run.status, status) << run.out << run.err;
        EXPECT_TRUE(Has(run.out + run.err, says)) << run.out << run.err;
        EXPECT_EQ(std::ssize(folder.Backups()), backups);
        // The backup is written before the first repair; the repair is there for the next run.
        EXPECT_TRUE(!backups || !Has(run.out, "- FIXED") || run.out.find("--- Backup of the database written to ") < run.out.find("- FIXED"));
        EXPECT_TRUE(state != Writable || Has(RunCli(folder.Args({"--quiet", "tables"})).out, "Missing [IX_") == (status != 5));
    }
}

}  // namespace
}  // namespace veltmoor::test
