// The built veltmoor-cli in a hostile environment: a full disk, signals, a real
// terminal, locales, FIFOs, names that are not UTF-8, an unwritable folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/accounts/AccountDatabase.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

namespace fs = std::filesystem;

// In folder (with its closing '/'): a tarnwick.mdb with `broken` accounts without
// a settings row, and a tables.xml that finds one missing column.
void MakeFolder(const std::string& folder, int broken) {
    AccountDatabase db(folder + "tarnwick.mdb");
    db.Exec("BEGIN");
    for (int i = 0; i < broken; ++i)
        db.Exec("UPDATE ACCOUNTS SET SETTINGS_ID = 0 WHERE ID = " + std::to_string(db.AddSoundAccount("u" + std::to_string(i))));
    db.Exec("COMMIT");
    std::ofstream(folder + "tables.xml") << R"(<VELTMOOR><TABLES><TABLE name="ACCOUNTS"><COLUMN name="PASS"/></TABLE></TABLES></VELTMOOR>)";
}

// The run is still going when the signal comes: it has 3000 repairs to make.
TEST(HostileTest, ASignalStopsBetweenRepairsAndStillReports) {
    for (const auto& [signal, json] : {std::pair{SIGINT, false}, {SIGTERM, true}}) {
        TempDir dir;
        MakeFolder(dir.Folder(), 3000);
        CliProcess run({"--folder", dir.Folder(), "--fix", json ? "--format=json" : "--format=log", "accounts"}, {dir.File("out"), {}});
        const char* fixed = json ? "\"fixed\":true" : "- FIXED";
        for (int i = 0; i < 3000 && !Has(run.OutSoFar(), fixed); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        run.Signal(signal);
        const Streams r = run.Finish();  // the accounts not reached are neither found nor left:
        EXPECT_TRUE(r.status == (32 | 1) && Has(r.err, "; interrupted, stopped between two repairs\n")) << r.err;
        EXPECT_EQ(Has(r.out, "\"interrupted\":true,\"left\":0,\"status\":33,"), json);
        // Every repair made is in the report; the one backup beside the file is whole.
        const long reported = Count(r.out, fixed);
        EXPECT_TRUE(reported > 0 && reported < 3000) << reported;
        EXPECT_EQ(AccountDatabase(dir.File("tarnwick.mdb"), false).Value("SELECT COUNT(*) FROM SETTINGS"), std::to_string(reported + 3000));
        const std::vector<std::string> files = dir.Backups();
        ASSERT_EQ(files.size() + std::distance(fs::directory_iterator(dir.path()), {}), 5u) << "database, tables.xml, log, backup";
        EXPECT_EQ(AccountDatabase(files[0], false).Value("SELECT COUNT(*) FROM ACCOUNTS"), "3000");
    }
}

TEST(HostileTest, ControlBytesFromTheDatabaseNeverReachATerminalRaw) {
    TempDir dir;
    MakeFolder(dir.Folder(), 0);
    const std::string raw = "x\x1b]0;owned\x07\x1b[2J\xc2\x9b" "1m\x7f", shown = "x^[]0;owned^G^[[2J\\xc2\\x9b1m^?";
    AccountDatabase(dir.File("tarnwick.mdb"), false).AddAccount(raw, 1, 1, 1, 1);
    const std::tuple<bool, const char*, std::string> cases[] = {  // on a terminal, option, what it shows
        {true, "--color=auto", shown}, {true, "--color=never", shown}, {false, "--color=always", shown},
        {false, "--color=never", raw}, {false, "--color=auto", raw}, {true, "--format=json", R"(x\u001b]0;owned\u0007\u001b[2J\u009b1m\u007f)"}};
    for (const auto& [terminal, option, want] : cases) {
        const Streams r = RunCli({"--folder", dir.Folder(), option, "accounts"}, terminal, terminal);
        EXPECT_TRUE(Has(r.out, want)) << option << terminal << r.out;  // and none of the raw bytes:
        for (const char* bad : {"\x1b]", "\x1b[2J", "\x07", "\xc2\x9b", "\x7f"}) EXPECT_EQ(Has(r.out, bad), want == raw) << option << terminal;
    }
}

// Names, keywords and connection-string keys fold ASCII only: a Turkish 'i' or a
// German locale changes nothing, neither in the report nor in the repaired file.
TEST(HostileTest, TheWholeCheckIsTheSameInEveryLocale) {
    TempDir dir;
    for (const std::string& connection : {"PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + dir.Folder() + "tarnwick.mdb;MODE=READWRITE",
                                         "PROVIDER=MSDASQL;DRIVER={SQLITE3};DATABASE=" + dir.Folder() + "tarnwick.mdb"}) {
        std::string reference;
        for (const char* locale : {"C", "tr_TR.UTF-8", "de_DE.UTF-8"}) {
            fs::remove(dir.File("tarnwick.mdb"));
            MakeFolder(dir.Folder(), 2);
            dir.Write("config.xml", "<C><DATABASE ConnectionString=\"" + connection + "\"/></C>");
            dir.Write("tables.xml", R"(<VELTMOOR><TABLES><TABLE name="accounts"><COLUMN name="id"/><COLUMN name="pass"/>
              <INDEX name="ix_accounts_name" key="name"/></TABLE><TABLE name="missing"/></TABLES></VELTMOOR>)");
            const Streams r = CliProcess({"--folder", dir.Folder(), "--fix", "--no-backup", "tables", "accounts"},
                                         {"", {std::string("LC_ALL=") + locale}}).Finish();
            std::string seen = std::to_string(r.status) + r.err + r.out;
            for (const std::string& row : AccountDatabase(dir.File("tarnwick.mdb"), false).Dump()) seen += row + "\n";
            if (reference.empty()) reference = seen;
            EXPECT_EQ(seen, reference) << connection << " in " << locale;
        }
        for (const char* found : {"Missing [pass] Column\r\n", "[ix_accounts_name] Index", "SETTINGS table - ", "[missing] could"})
            EXPECT_TRUE(Has(reference, found)) << reference;
    }
}

// Nothing the program reads may block it, and a path is bytes: in a folder whose
// name is not UTF-8, plain files are read and a FIFO or a device is refused by name.
TEST(HostileTest, PathsAreBytesAndFifosAreRefusedWithoutBlocking) {
    const std::tuple<const char*, std::string, int, std::string> cases[] = {  // FIFO made, arguments, status, message
        {"", "--folder {}", 4, "1 table and 1 account checked; 2 findings"},
        {"", "--database {}tarnwick.mdb --tables {}tables.xml", 4, "1 table and 1 account checked; 2 findings"},
        {"t.xml", "--tables {}t.xml", 16, "{}t.xml: not a regular file (a FIFO) (--tables)."},
        {"d.db", "--database {}d.db", 16, "{}d.db: not a regular file (a FIFO) (--database)."},
        {"", "--database /dev/null", 16, "/dev/null: not a regular file (a character device) (--database)."},
        {"tables.xml", "--folder {}", 8 | 4, "veltmoor-cli: {}tables.xml: not a regular file (a FIFO)\n"},
        {"config.xml", "--folder {}", 8 | 4, "'{}config.xml' is not a regular file (a FIFO); it was not read."},
        {"tarnwick.mdb", "--folder {}", 8, "'{}tarnwick.mdb' is not a regular file (a FIFO), not a database file."}};
    for (const auto& [fifo, args, status, says] : cases) {
        TempDir dir;
        const std::string folder = dir.File("caf\xe9\xff") + "/";
        fs::create_directory(folder);
        MakeFolder(folder, 1);
        ASSERT_TRUE(!*fifo || (fs::remove(folder + fifo), mkfifo((folder + fifo).c_str(), 0600) == 0));
        const Streams r = RunCli(Args(args + " tables accounts", folder));
        EXPECT_TRUE(r.status == status && Has(r.err, Replace(says, "{}", folder))) << r.status << r.err;
    }
}

// SQLite cannot make its journal in a folder that cannot be written: with
// --no-backup the run is a read-only one, said once, every account still checked
// and the file unchanged. Root may write any folder, so the program runs as nobody.
TEST(HostileTest, AnUnwritableFolderMakesTheRunReadOnly) {
    TempDir dir;
    MakeFolder(dir.Folder(), 3);
    const std::string bytes = Bytes(dir.File("tarnwick.mdb"));
    fs::permissions(dir.File("tarnwick.mdb"), fs::perms(0666));
    fs::permissions(dir.path(), fs::perms(getuid() == 0 ? 0755 : 0555));
    const Streams r = CliProcess({"--folder", dir.Folder(), "--fix", "--no-backup", "accounts"}, {"", {}, true}).Finish();
    fs::permissions(dir.path(), fs::perms(0755));
    EXPECT_EQ(r.out.find("Exception Recorded", r.out.find("Exception Recorded") + 1), std::string::npos) << r.out;
    EXPECT_TRUE(Has(r.out, "Description: The connection to the database is read-only (the folder that holds the database "
                           "file cannot be written, so SQLite could not create the journal it keeps beside the file while "
                           "writing), so nothing was repaired. Open it read-write to fix errors.\r\n")) << r.out;
    EXPECT_TRUE(r.status == (8 | 4) && Has(r.err, "3 accounts checked; 3 findings: 0 fixed, 3 left; 1 error")) << r.err;
    EXPECT_EQ(Bytes(dir.File("tarnwick.mdb")), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "nothing made beside it";
}

// stdout on a full disk: said on stderr, bit 8. --quiet holds a run's log back in a
// temporary file past a small size and prints in the end the very log of the loud run.
TEST(HostileTest, StdoutOnAFullDiskIsAnErrorAndQuietPrintsTheWholeLog) {
    TempDir dir;
    MakeFolder(dir.Folder(), 1500);
    for (const std::string option : {"--format=log", "--format=json", "--quiet", "--help"}) {
        const Streams r = CliProcess({"--folder", dir.Folder(), option, "tables", "accounts"}, {"/dev/full", {}}).Finish();
        EXPECT_TRUE(Has(r.err, "veltmoor-cli: write error: No space left on device\n") && (r.status & 8)) << option << r.err;
    }
    const Streams loud = RunCli({"--folder", dir.Folder(), "accounts"}), quiet = RunCli({"--quiet", "--folder", dir.Folder(), "accounts"});
    EXPECT_GT(loud.out.size(), 128u * 1024) << "the run must outgrow what is held in memory";
    EXPECT_TRUE(loud.out == quiet.out && quiet.status == 4) << quiet.out.size() << " bytes instead of " << loud.out.size();
}

}  // namespace
}  // namespace veltmoor::test
