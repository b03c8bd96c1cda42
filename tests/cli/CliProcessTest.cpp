// The built veltmoor-cli as users run it: arguments in, stdout, stderr and the
// exit status out. Databases are real SQLite files in temporary folders.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <set>

#include "tests/accounts/AccountDatabase.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

Result RunProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}
// Arguments as one string, split at spaces ('~' within one); {} stands for the folder.
Result RunCli(const std::string& args, const TempDir* dir = nullptr) {
    QStringList list = QString::fromStdString(args).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    list.replaceInStrings(QStringLiteral("~"), QStringLiteral(" "));
    if (dir) list.replaceInStrings(QStringLiteral("{}"), QString::fromStdString(dir->path().string()));
    return RunProgram(QStringLiteral(VELTMOOR_CLI), list);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
qsizetype CountOf(const std::string& text, const char* part) { return QString::fromStdString(text).count(QLatin1String(part)); }

// tarnwick.mdb with a sound account and one whose settings row is gone, and tables.xml
// with a fixable finding (the index) and two that are only reported.
void MakeDamagedFolder(const TempDir& dir) {
    AccountDatabase db(dir.File("tarnwick.mdb"));
    db.AddSoundAccount("alice");
    db.Exec("UPDATE ACCOUNTS SET SETTINGS_ID = 999 WHERE ID = " + std::to_string(db.AddSoundAccount("bob")));
    dir.Write("tables.xml", R"(<VELTMOOR><TABLES>
  <TABLE name="ACCOUNTS"><COLUMN name="NAME" sqlSType="nvarchar"/><COLUMN name="PASS"/>
    <INDEX name="IX_ACCOUNTS_NAME" key="NAME"/></TABLE>
  <TABLE name="GHOST"/>
</TABLES></VELTMOOR>)");
}

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
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("veltmoor-cli: ", 0), 0u) << r.err;
        EXPECT_TRUE(Has(r.err, named)) << r.err;
    }
    const Result help = RunCli("--help"), version = RunCli("--version");
    EXPECT_EQ(help.status + version.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltmoor-cli ", 0), 0u);
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

TEST(CliProcessTest, FolderWithoutDatabaseWritesTheErrorBlocks) {
    TempDir dir;
    const Result r = RunCli("--folder {} accounts", &dir);
    EXPECT_EQ(r.status, 8);
    // Start-up: the status line, then the connection's error block; the summary last.
    EXPECT_EQ(r.err.rfind("NO MDAC VERSION DETECTED\n", 0), 0u) << r.err;
    EXPECT_TRUE(Has(r.err, "Tracer: CVeltmoorDlg::OpenConnection\r\n"));
    EXPECT_TRUE(r.err.ends_with("veltmoor-cli: 0 accounts checked; 0 findings: 0 fixed, 0 left; 2 errors\n")) << r.err;
    // The run: its own error block, plain text on a pipe.
    EXPECT_TRUE(Has(r.out, "Tracer: CVeltmoorDlg::CheckAccounts\r\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "OpenConnection") || Has(r.out, "\x1b"));
    EXPECT_TRUE(Has(RunCli("--color=always --folder {} accounts", &dir).out,
                    "\x1b[38;2;255;255;0;49mException Recorded\x1b[0m\r\n"));
    const Result quiet = RunCli("--quiet --folder {} accounts", &dir);  // the error blocks, no status or summary
    EXPECT_EQ(quiet.status, 8);
    EXPECT_EQ(quiet.err, r.err.substr(25, r.err.find("veltmoor-cli: 0 accounts") - 25));
    EXPECT_EQ(quiet.out, r.out);
    // As JSON: the same code, description and tracer as the log's block.
    const Result json = RunCli("--format=json --folder {} accounts", &dir);
    const QJsonObject block = QJsonDocument::fromJson(QByteArray::fromStdString(json.out).split('\n')[0])
                                  .object()[QStringLiteral("error")].toObject();
    for (const auto& [key, line] : {std::pair{"code", "Code = "}, {"description", "Description: "}, {"tracer", "Tracer: "}})
        EXPECT_TRUE(Has(json.err, line + block[QLatin1String(key)].toString().toStdString() + "\r\n")) << key;
}

TEST(CliProcessTest, CheckFixCheckAgainLikeAFileSystemChecker) {
    TempDir dir;
    AccountDatabase(dir.File("tarnwick.mdb")).AddAccount(std::string("bob"), 999, std::nullopt, std::nullopt, std::nullopt);
    const Result check = RunCli("--folder {} accounts", &dir);
    EXPECT_EQ(check.status, 4) << check.out;
    EXPECT_EQ(check.err, "DETECTED MDAC VERSION: 2.80\n"
                         "veltmoor-cli: 1 account checked; 4 findings: 0 fixed, 4 left; 0 errors\n");
    EXPECT_TRUE(Has(check.out, "-- Checking Account [bob] --\r\nMissing recordset in SETTINGS table\r\n")) << check.out;
    const Result fix = RunCli("--fix --folder {} accounts", &dir);
    EXPECT_EQ(fix.status, 1) << fix.out;
    EXPECT_TRUE(Has(fix.out, "Missing recordset in SETTINGS table - FIXED\r\n")) << fix.out;
    EXPECT_TRUE(fix.err.ends_with("veltmoor-cli: 1 account checked; 4 findings: 4 fixed, 0 left; 0 errors\n")) << fix.err;
    const Result again = RunCli("--connection Provider=Microsoft.Jet.OLEDB.4.0;data~source={}/tarnwick.mdb accounts", &dir);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "-- Checking Account [bob] --\r\n-- Finished Checking Account [bob] --\r\n  \r\n");
    const Result quiet = RunCli("--quiet --database {}/tarnwick.mdb accounts", &dir);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    // A database that config.xml names but that is missing is met when the run opens it.
    dir.Write("config.xml", R"(<C><DATABASE ConnectionString="Provider=Microsoft.Jet.OLEDB.4.0; data source=/no/x.mdb"/></C>)");
    EXPECT_EQ(RunCli("--folder {} accounts", &dir).status, 8);
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
        const Result r = RunCli("--folder {} tables", &dir);
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
    const Result r = RunCli("--quiet --folder {} accounts tables", &dir);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out.rfind("-- Checking Account [user0] --\r\n-- Finished Checking Account [user0] --\r\n  \r\n", 0), 0u);
    EXPECT_EQ(CountOf(r.out, "-- Checking Account ["), 901);
    EXPECT_TRUE(Has(r.out, "-- Checking Account [last] --\r\nMissing recordset in SETTINGS table\r\n"));
    EXPECT_EQ(CountOf(r.out, "--- Checking table: T"), 700);
    EXPECT_TRUE(Has(r.out, "  \r\n--- Checking table: T0 ---\r\n** Table [T0] could not be located!!\r\n"));
}

TEST(CliProcessTest, JsonFindingsAgreeWithTheLog) {
    // Two copies of one damaged folder: the log and the JSON of the same repair run.
    TempDir logDir, jsonDir;
    MakeDamagedFolder(logDir);
    MakeDamagedFolder(jsonDir);
    const Result log = RunCli("--fix --format=log --folder {} tables accounts", &logDir);
    const Result json = RunCli("--fix --format=json --database {}/tarnwick.mdb --tables {}/tables.xml tables accounts", &jsonDir);
    EXPECT_EQ(log.status, 5) << log.out;  // the index and the settings row fixed, the rest left
    EXPECT_EQ(json.status, 5);
    EXPECT_EQ(json.err, log.err);
    EXPECT_TRUE(log.err.ends_with("veltmoor-cli: 2 tables and 2 accounts checked; 4 findings: 2 fixed, 2 left; 0 errors\n")) << log.err;

    // Each JSON finding as the log tells it, and no more of them than the log has.
    QJsonObject summary;
    int findings = 0;
    for (const QByteArray& line : QByteArray::fromStdString(json.out).split('\n')) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
        ASSERT_TRUE(line.isEmpty() || error.error == QJsonParseError::NoError) << line.toStdString();
        if (object.contains(QStringLiteral("summary"))) summary = object[QStringLiteral("summary")].toObject();
        if (!object.contains(QStringLiteral("check"))) continue;
        EXPECT_TRUE(summary.isEmpty()) << "the summary comes last";
        const std::string message = object[QStringLiteral("message")].toString().toStdString();
        EXPECT_TRUE(Has(log.out, "\n" + message + (object[QStringLiteral("fixed")].toBool() ? " - FIXED\r\n" : "\r\n")));
        ++findings;
    }
    EXPECT_EQ(findings, 4);
    EXPECT_EQ(CountOf(log.out, "\nMissing ") + CountOf(log.out, "\n** Table ["), 4);
    // One object per line, its keys in Qt's (sorted) order.
    EXPECT_TRUE(Has(json.out, R"({"account":"bob","check":"accounts","fixed":true,"link":"SETTINGS_ID",)"
                              R"("message":"Missing recordset in SETTINGS table"})" "\n")) << json.out;
    EXPECT_TRUE(Has(json.out, R"({"check":"tables","column":"PASS","fixed":false,"message":"Missing [PASS] Column",)"
                              R"("table":"ACCOUNTS"})" "\n"));
    EXPECT_EQ(summary, (QJsonObject{{QStringLiteral("tables"), 2}, {QStringLiteral("accounts"), 2},
                                    {QStringLiteral("findings"), 4}, {QStringLiteral("fixed"), 2},
                                    {QStringLiteral("left"), 2}, {QStringLiteral("errors"), 0}, {QStringLiteral("status"), 5}, {QStringLiteral("interrupted"), false}}));
}

TEST(CliProcessTest, ProgressOnATerminalIsErasedBeforeTheLog) {
    TempDir dir;
    AccountDatabase db(dir.File("tarnwick.mdb"));
    for (const char* name : {"a", "b", "c"}) db.AddAccount(std::string(name), 999, 999, 999, 999);
    // script(1) gives the program a terminal for stdout and stderr alike.
    const QString command = QStringLiteral("'%1' --folder '%2' accounts").arg(QStringLiteral(VELTMOOR_CLI), QString::fromStdString(dir.Folder()));
    const Result r = RunProgram(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(Has(r.out, "\rveltmoor-cli: 3 of 3 accounts\x1b[K")) << r.out;
    // Every progress line is taken away (or redrawn) before anything else is written.
    const QRegularExpression drawn(QStringLiteral("veltmoor-cli: \\d+ of 3 accounts\x1b\\[K(?!\r)"));
    EXPECT_FALSE(drawn.match(QString::fromStdString(r.out)).hasMatch()) << r.out;
    EXPECT_EQ(CountOf(r.out, "-- Checking Account"), 3);
}

}  // namespace
}  // namespace veltmoor::test
