// The built veltmoor-cli as users run it: arguments in, stdout, stderr and the
// exit status out. Databases are real SQLite files in temporary folders.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <set>

#include "tests/accounts/AccountDatabase.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

TEST(CliProcessTest, UsageErrorsGiveStatus16AndOneLine) {
    const std::pair<const char*, const char*> cases[] = {  // arguments, what the line names
        {"", "command"}, {"--fix", "command"}, {"--bogus tables", "bogus"}, {"--format=xml tables", "xml"},
        {"--folder=/no/such/dir tables", "/no/such/dir"}, {"--database=/no/such.db accounts", "/no/such.db"},
        {"--tables=/no/tables.xml tables", "/no/tables.xml"}, {"--database=/tmp accounts", "/tmp"},
        {"--folder=/tmp --connection=DSN=x tables", "--folder"}, {"tablez", "tablez"}, {"tables Accounts", "Accounts"},
        {"--color=sometimes tables", "sometimes"}, {"tables --color", "--color"}, {"tables --folder", "--folder"},
        {"--folder= tables", "--folder"}, {"-fix tables", ""}, {"--fix=yes tables", "--fix"},
        {"--database= tables", "--database"}, {"--database=a --connection=b tables", ""}, {"--folder=a --database=b tables", ""},
    };
    for (const auto& [args, named] : cases) {
        SCOPED_TRACE(args);
        const Streams r = RunCli(Args(args));
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("veltmoor-cli: ", 0), 0u) << r.err;
        EXPECT_TRUE(Has(r.err, named)) << r.err;
    }
    const Streams help = RunCli({"--help"}), version = RunCli({"--version"});
    EXPECT_EQ(help.status + version.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltmoor-cli ", 0), 0u);
    EXPECT_EQ(RunCli({"tables", "-h"}).out, help.out);  // help wins over the commands
    EXPECT_EQ(version.out, "veltmoor-cli 1.0\n");

    // The man page names the options of --help, in its synopsis and in its option list.
    QFile page(QStringLiteral(VELTMOOR_SOURCE_DIR "/docs/veltmoor-cli.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString man = QString::fromUtf8(page.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    const QString text = QString::fromStdString(help.out);
    auto options = [](const QString& in, const char* from, const char* to) {
        static const QRegularExpression option(QStringLiteral("(?:^|[\\s\\[|(])(--?[a-z][a-z-]*)"));
        const qsizetype start = in.indexOf(QLatin1String(from));
        std::set<QString> names;
        for (const auto& m : option.globalMatch(in.mid(start, in.indexOf(QLatin1String(to), start) - start)))
            names.insert(m.captured(1));
        return names;
    };
    EXPECT_GE(options(text, "Options:", "\n\n").size(), 12u);
    EXPECT_EQ(options(man, ".SH OPTIONS", ".SH EXIT STATUS"), options(text, "Options:", "\n\n"));
    EXPECT_EQ(options(man, ".SH SYNOPSIS", ".SH DESCRIPTION"), options(text, "Usage:", "\n\n"));
}

TEST(CliProcessTest, NoUsableSchemaDescriptionIsAnError) {
    TempDir dir;
    { AccountDatabase db(dir.File("tarnwick.mdb")); }
    const std::pair<const char*, const char*> cases[] = {  // content (nullptr: none, "/": a folder), why
        {nullptr, "No such file or directory"}, {"/", "Is a directory"}, {"", "not well-formed XML"},
        {"<TABLES><TABLE name='A'></TABLES>", "not well-formed XML"}};
    for (const auto& [content, why] : cases) {
        SCOPED_TRACE(why);
        std::filesystem::remove_all(dir.File("tables.xml"));
        if (content && *content == '/') std::filesystem::create_directory(dir.File("tables.xml"));
        else if (content) dir.Write("tables.xml", content);
        const Streams r = RunCli({"--folder", dir.path().string(), "tables"});
        EXPECT_EQ(r.status, 8);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, "\nveltmoor-cli: " + dir.File("tables.xml") + ": " + why)) << r.err;
    }
}

TEST(CliProcessTest, ALongRunIsPrintedWhole) {
    // 900 accounts give some 2700 lines, 700 missing tables some 4200: more than the log keeps.
    TempDir dir;
    AccountDatabase db(dir.File("tarnwick.mdb"));
    db.Exec("BEGIN");
    for (int i = 0; i < 900; ++i) db.AddSoundAccount("user" + std::to_string(i));
    db.AddAccount(std::string("last"), 999, std::nullopt, std::nullopt, std::nullopt);
    db.Exec("COMMIT");
    std::string tables = "<TABLES>";
    for (int i = 0; i < 700; ++i) tables += "<TABLE name='T" + std::to_string(i) + "'/>";
    dir.Write("tables.xml", tables + "</TABLES>");
    const Streams r = RunCli({"--quiet", "--folder", dir.path().string(), "accounts", "tables"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out.rfind("-- Checking Account [user0] --\r\n-- Finished Checking Account [user0] --\r\n  \r\n", 0), 0u);
    EXPECT_EQ(Count(r.out, "-- Checking Account ["), 901);
    EXPECT_TRUE(Has(r.out, "-- Checking Account [last] --\r\nMissing recordset in SETTINGS table\r\n"));
    EXPECT_EQ(Count(r.out, "--- Checking table: T"), 700);
    EXPECT_TRUE(Has(r.out, "  \r\n--- Checking table: T0 ---\r\n** Table [T0] could not be located!!\r\n"));
}

}  // namespace
}  // namespace veltmoor::test
