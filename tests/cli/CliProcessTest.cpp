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
    const char* const kNoCommand = "No command given (tables or accounts).";
    const char* const kOneSource = "Give one of '--folder', '--database' and '--connection'.";
    const std::pair<const char*, const char*> cases[] = {  // arguments, the line between "veltmoor-cli: " and the hint
        {"", kNoCommand}, {"--fix", kNoCommand}, {"--bogus tables", "Unknown option 'bogus'."},
        {"--format=xml tables", "Invalid value 'xml' for '--format' (log or json)."},
        {"--folder=/no/such/dir tables", "/no/such/dir: no such file or folder (--folder)."},
        {"--database=/no/such.db accounts", "/no/such.db: no such file or folder (--database)."},
        {"--tables=/no/tables.xml tables", "/no/tables.xml: no such file or folder (--tables)."},
        {"--database=/tmp accounts", "/tmp: is a folder (--database)."}, {"--folder=/tmp --connection=DSN=x tables", kOneSource},
        {"tablez", "Unknown command 'tablez' (tables or accounts)."},
        {"tables Accounts", "Unknown command 'Accounts' (tables or accounts)."},
        {"--color=sometimes tables", "Invalid value 'sometimes' for '--color' (auto, always or never)."},
        {"tables --color", "Missing value after '--color'."}, {"tables --folder", "Missing value after '--folder'."},
        {"--folder= tables", "Empty value for '--folder'."}, {"-fix tables", "Unknown options: f, i, x."},
        {"--fix=yes tables", "Unexpected value after '--fix'."}, {"--database= tables", "Empty value for '--database'."},
        {"--database=a --connection=b tables", kOneSource}, {"--folder=a --database=b tables", kOneSource},
    };
    for (const auto& [args, says] : cases) {
        const Streams r = RunCli(Args(args));
        EXPECT_EQ(std::pair(r.status, r.out), std::pair(16, std::string())) << args;
        EXPECT_EQ(r.err, std::string("veltmoor-cli: ") + says + " Try 'veltmoor-cli --help'.\n");
    }
    const Streams help = RunCli({"--help"}), version = RunCli({"--version"});
    EXPECT_EQ(help.status + version.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltmoor-cli ", 0), 0u);
    EXPECT_EQ(RunCli({"tables", "-h"}).out, help.out);  // help wins over the commands
    EXPECT_EQ(version.out, "veltmoor-cli 1.0\n");
    // The help fits 80 columns; under a heading (a line ending in ':') every line is indented up to a blank line.
    std::istringstream lines(help.out);
    bool listed = false;
    for (std::string line; std::getline(lines, line); listed = !line.empty() && (listed || line.back() == ':'))
        EXPECT_TRUE(line.size() <= 80 && (!listed || line.empty() || line.starts_with("  "))) << line;

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
        EXPECT_EQ(std::pair(r.status, r.out), std::pair(8, std::string()));
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
    // With both streams in one file the summary line still comes after the whole log.
    std::system((std::string(VELTMOOR_CLI) + " --folder " + dir.Folder() + " accounts >" + dir.File("both") + " 2>&1").c_str());
    EXPECT_TRUE(Bytes(dir.File("both")).ends_with("-- Finished Checking Account [last] --\r\n  \r\nveltmoor-cli: 901 accounts "
                                      "checked; 4 findings: 0 fixed, 4 left; 0 errors\n"));
}

}  // namespace
}  // namespace veltmoor::test
