// The built veltmoor-cli as users run it: arguments in, stdout, stderr and the
// exit status out. Databases are real SQLite files in temporary folders.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/accounts/AccountDatabase.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

Result RunCli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VELTMOOR_CLI), args);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliProcessTest, UsageErrorsGiveStatus16AndOneLine) {
    const QStringList cases[] = {
        {},
        {QStringLiteral("--bogus"), QStringLiteral("tables")},
        {QStringLiteral("check")},
        {QStringLiteral("--color=rainbow"), QStringLiteral("tables")},
        {QStringLiteral("--fix")},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("veltmoor-cli: ", 0), 0u) << r.err;
    }
}

TEST(CliProcessTest, HelpAndVersion) {
    const Result help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltmoor-cli ", 0), 0u);
    EXPECT_EQ(help.err, "");
    const Result version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "veltmoor-cli 1.0\n");
    EXPECT_EQ(version.err, "");
}

TEST(CliProcessTest, FolderWithoutDatabaseWritesTheErrorBlocks) {
    TempDir dir;
    const Result r = RunCli({QStringLiteral("--folder"), QString::fromStdString(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_EQ(r.status, 8);
    // Start-up: the status line, then the connection's error block.
    EXPECT_EQ(r.err.rfind("NO MDAC VERSION DETECTED\n", 0), 0u) << r.err;
    EXPECT_TRUE(Has(r.err, "Exception Recorded\r\n"));
    EXPECT_TRUE(Has(r.err, "Tracer: CVeltmoorDlg::OpenConnection\r\n"));
    // The run: its own error block, plain text on a pipe.
    EXPECT_TRUE(Has(r.out, "Tracer: CVeltmoorDlg::CheckAccounts\r\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "OpenConnection"));
    EXPECT_FALSE(Has(r.out, "\x1b"));

    const Result coloured = RunCli({QStringLiteral("--color=always"), QStringLiteral("--folder"),
                                 QString::fromStdString(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_TRUE(Has(coloured.out, "\x1b[38;2;255;255;0;49mException Recorded\x1b[0m\r\n")) << coloured.out;

    const Result quiet = RunCli({QStringLiteral("--quiet"), QStringLiteral("--folder"),
                              QString::fromStdString(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_EQ(quiet.status, 8);
    EXPECT_FALSE(Has(quiet.err, "NO MDAC VERSION DETECTED"));
    EXPECT_TRUE(Has(quiet.err, "Tracer: CVeltmoorDlg::OpenConnection"));
    EXPECT_EQ(quiet.out, r.out);
}

TEST(CliProcessTest, CheckFixCheckAgainLikeAFileSystemChecker) {
    TempDir dir;
    {
        AccountDatabase db(dir.File("tarnwick.mdb"));
        db.AddSoundAccount("alice");
        db.AddAccount(std::string("bob"), 999, std::nullopt, std::nullopt, std::nullopt);
    }
    const QString folder = QString::fromStdString(dir.Folder());

    const Result check = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(check.status, 4) << check.out;
    EXPECT_EQ(check.err, "DETECTED MDAC VERSION: 2.80\n");
    EXPECT_TRUE(Has(check.out, "-- Checking Account [bob] --\r\nMissing recordset in SETTINGS table\r\n")) << check.out;

    const Result fix = RunCli({QStringLiteral("--fix"), QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(fix.status, 1) << fix.out;
    EXPECT_TRUE(Has(fix.out, "Missing recordset in SETTINGS table - FIXED\r\n")) << fix.out;

    const Result again = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_FALSE(Has(again.out, "Missing"));

    const Result quiet = RunCli({QStringLiteral("--quiet"), QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
}

TEST(CliProcessTest, ALongRunIsPrintedWhole) {
    // 900 accounts give some 2700 lines, more than the log keeps.
    TempDir dir;
    {
        AccountDatabase db(dir.File("tarnwick.mdb"));
        db.Exec("BEGIN");
        for (int i = 0; i < 900; ++i) db.AddSoundAccount("user" + std::to_string(i));
        db.AddAccount(std::string("last"), 999, std::nullopt, std::nullopt, std::nullopt);
        db.Exec("COMMIT");
    }
    const QString folder = QString::fromStdString(dir.Folder());
    for (const bool quiet : {false, true}) {
        QStringList args{QStringLiteral("--folder"), folder, QStringLiteral("accounts")};
        if (quiet) args.prepend(QStringLiteral("--quiet"));
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.out.rfind("-- Checking Account [user0] --\r\n-- Finished Checking Account [user0] --\r\n  \r\n", 0), 0u)
            << r.out.substr(0, 200);
        std::size_t accounts = 0;
        for (std::size_t pos = 0; (pos = r.out.find("-- Checking Account [", pos)) != std::string::npos; ++pos) ++accounts;
        EXPECT_EQ(accounts, 901u);
        EXPECT_TRUE(Has(r.out, "-- Checking Account [last] --\r\nMissing recordset in SETTINGS table\r\n"));
    }
}

TEST(CliProcessTest, CommandsRunInTheOrderGiven) {
    TempDir dir;
    {
        AccountDatabase db(dir.File("tarnwick.mdb"));
        db.AddSoundAccount("alice");
    }
    const QString folder = QString::fromStdString(dir.Folder());
    const Result accounts = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    const Result tables = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("tables")});
    ASSERT_EQ(accounts.status, 0);
    ASSERT_EQ(tables.status, 0);
    EXPECT_EQ(tables.out, "  \r\n") << "no tables.xml: the two passes and their separator";

    const Result both = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("tables"), QStringLiteral("accounts"),
                             QStringLiteral("tables")});
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.out, tables.out + accounts.out + tables.out);
}

}  // namespace
}  // namespace veltmoor::test
