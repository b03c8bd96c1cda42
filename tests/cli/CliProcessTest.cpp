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
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

Result RunCli(const QStringList& args) { return RunProgram(QStringLiteral(VELTMOOR_CLI), args); }

QString Q(const std::string& text) { return QString::fromStdString(text); }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t pos = 0; (pos = text.find(part, pos)) != std::string::npos; ++pos) ++n;
    return n;
}
std::string LastLine(const std::string& text) {
    const std::size_t end = text.size() - 1, start = text.rfind('\n', end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

constexpr const char* kTablesXml = R"(<VELTMOOR><TABLES>
  <TABLE name="ACCOUNTS"><COLUMN name="NAME" sqlSType="nvarchar"/><COLUMN name="PASS"/>
    <INDEX name="IX_ACCOUNTS_NAME" key="NAME"/></TABLE>
  <TABLE name="GHOST"/>
</TABLES></VELTMOOR>)";

// tarnwick.mdb with a sound account and one whose settings row is gone, and
// tables.xml with a fixable finding (the index) and two that are only reported.
void MakeDamagedFolder(const TempDir& dir) {
    AccountDatabase db(dir.File("tarnwick.mdb"));
    db.AddSoundAccount("alice");
    const long bob = db.AddSoundAccount("bob");
    db.Exec("UPDATE ACCOUNTS SET SETTINGS_ID = 999 WHERE ID = " + std::to_string(bob));
    dir.Write("tables.xml", kTablesXml);
}

TEST(CliProcessTest, UsageErrorsGiveStatus16AndOneLine) {
    const struct {
        QStringList args;
        const char* named;  // what the line must name
    } cases[] = {
        {{}, "command"},
        {{QStringLiteral("--bogus"), QStringLiteral("tables")}, "bogus"},
        {{QStringLiteral("check")}, "check"},
        {{QStringLiteral("--color=rainbow"), QStringLiteral("tables")}, "rainbow"},
        {{QStringLiteral("--format=xml"), QStringLiteral("tables")}, "xml"},
        {{QStringLiteral("--fix")}, "command"},
        {{QStringLiteral("--folder=/no/such/dir"), QStringLiteral("tables")}, "/no/such/dir"},
        {{QStringLiteral("--database=/no/such.db"), QStringLiteral("accounts")}, "/no/such.db"},
        {{QStringLiteral("--tables=/no/tables.xml"), QStringLiteral("tables")}, "/no/tables.xml"},
        {{QStringLiteral("--database=/tmp"), QStringLiteral("accounts")}, "/tmp"},
        {{QStringLiteral("--folder=/tmp"), QStringLiteral("--connection=DSN=x"), QStringLiteral("tables")}, "--folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("veltmoor-cli: ", 0), 0u) << r.err;
        EXPECT_TRUE(Has(r.err, c.named)) << r.err;
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

TEST(CliProcessTest, ManPageNamesTheOptionsOfHelp) {
    // The options each text lists in its own options part, as a set of names.
    auto options = [](QString text) {
        text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
        std::set<std::string> names;
        const QRegularExpression option(QStringLiteral("(?:^|[\\s\\[|(])(--?[a-z][a-z-]*)"));
        for (const auto& match : option.globalMatch(text)) names.insert(match.captured(1).toStdString());
        return names;
    };
    const QString help = Q(RunCli({QStringLiteral("--help")}).out);
    QFile file(QStringLiteral(VELTMOOR_SOURCE_DIR "/docs/veltmoor-cli.1"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString man = QString::fromUtf8(file.readAll());
    auto part = [](const QString& text, const char* from, const char* to) {
        const qsizetype start = text.indexOf(QLatin1String(from));
        return text.mid(start, text.indexOf(QLatin1String(to), start) - start);
    };
    const std::set<std::string> inHelp = options(part(help, "Options:", "\n\n"));
    EXPECT_GE(inHelp.size(), 12u);
    EXPECT_EQ(options(part(man, ".SH OPTIONS", ".SH EXIT STATUS")), inHelp);
    EXPECT_EQ(options(part(man, ".SH SYNOPSIS", ".SH DESCRIPTION")), options(part(help, "Usage:", "\n\n")));
    for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES"})
        EXPECT_TRUE(man.contains(QStringLiteral(".SH %1\n").arg(QLatin1String(section)))) << section;
}

TEST(CliProcessTest, FolderWithoutDatabaseWritesTheErrorBlocks) {
    TempDir dir;
    const Result r = RunCli({QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_EQ(r.status, 8);
    // Start-up: the status line, then the connection's error block; the summary last.
    EXPECT_EQ(r.err.rfind("NO MDAC VERSION DETECTED\n", 0), 0u) << r.err;
    EXPECT_TRUE(Has(r.err, "Tracer: CVeltmoorDlg::OpenConnection\r\n"));
    EXPECT_EQ(LastLine(r.err), "veltmoor-cli: 0 tables and 0 accounts checked; 0 findings: 0 fixed, 0 left; 2 errors");
    // The run: its own error block, plain text on a pipe.
    EXPECT_TRUE(Has(r.out, "Tracer: CVeltmoorDlg::CheckAccounts\r\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "OpenConnection"));
    EXPECT_FALSE(Has(r.out, "\x1b"));

    const Result coloured =
        RunCli({QStringLiteral("--color=always"), QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_TRUE(Has(coloured.out, "\x1b[38;2;255;255;0;49mException Recorded\x1b[0m\r\n")) << coloured.out;

    const Result quiet =
        RunCli({QStringLiteral("--quiet"), QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_EQ(quiet.status, 8);
    EXPECT_FALSE(Has(quiet.err, "NO MDAC VERSION DETECTED"));
    EXPECT_FALSE(Has(quiet.err, "checked;"));
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
    const QString folder = Q(dir.Folder());

    const Result check = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(check.status, 4) << check.out;
    EXPECT_EQ(check.err, "DETECTED MDAC VERSION: 2.80\n"
                         "veltmoor-cli: 0 tables and 2 accounts checked; 4 findings: 0 fixed, 4 left; 0 errors\n");
    EXPECT_TRUE(Has(check.out, "-- Checking Account [bob] --\r\nMissing recordset in SETTINGS table\r\n")) << check.out;

    const Result fix = RunCli({QStringLiteral("--fix"), QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(fix.status, 1) << fix.out;
    EXPECT_TRUE(Has(fix.out, "Missing recordset in SETTINGS table - FIXED\r\n")) << fix.out;
    EXPECT_EQ(LastLine(fix.err), "veltmoor-cli: 0 tables and 2 accounts checked; 4 findings: 4 fixed, 0 left; 0 errors");

    const Result again = RunCli({QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_FALSE(Has(again.out, "Missing"));

    const Result quiet = RunCli({QStringLiteral("--quiet"), QStringLiteral("--folder"), folder, QStringLiteral("accounts")});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
}

TEST(CliProcessTest, DatabaseConnectionAndTablesOptionsPointAtTheFiles) {
    TempDir dir;
    MakeDamagedFolder(dir);
    const Result byFolder = RunCli({QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("tables"),
                                    QStringLiteral("accounts")});
    EXPECT_EQ(byFolder.status, 4);
    const QStringList ways[] = {
        {QStringLiteral("--database"), Q(dir.File("tarnwick.mdb"))},
        {QStringLiteral("--connection"),
         Q("Provider=Microsoft.Jet.OLEDB.4.0; data source=" + dir.File("tarnwick.mdb"))},
    };
    for (const QStringList& way : ways) {
        const Result r = RunCli(way + QStringList{QStringLiteral("--tables"), Q(dir.File("tables.xml")),
                                                  QStringLiteral("tables"), QStringLiteral("accounts")});
        EXPECT_EQ(r.status, 4) << r.err;
        EXPECT_EQ(r.out, byFolder.out);
    }
    // A database that config.xml names but that is missing is met when the run opens it.
    dir.Write("config.xml", R"(<C><DATABASE ConnectionString="Provider=Microsoft.Jet.OLEDB.4.0; data source=/no/x.mdb"/></C>)");
    const Result missing = RunCli({QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("accounts")});
    EXPECT_EQ(missing.status, 8);
    EXPECT_TRUE(Has(missing.err, "Tracer: CVeltmoorDlg::OpenConnection"));
}

TEST(CliProcessTest, NoUsableSchemaDescriptionIsAnError) {
    TempDir dir;
    { AccountDatabase db(dir.File("tarnwick.mdb")); }
    const struct {
        const char* content;  // nullptr: no file; "/": a folder
        const char* why;
    } cases[] = {
        {nullptr, "No such file or directory"},
        {"/", "Is a directory"},
        {"", "not well-formed XML"},
        {"<TABLES><TABLE name='A'></TABLES>", "not well-formed XML"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove_all(dir.File("tables.xml"));
        if (c.content && *c.content == '/') std::filesystem::create_directory(dir.File("tables.xml"));
        else if (c.content) dir.Write("tables.xml", c.content);
        const Result r = RunCli({QStringLiteral("--folder"), Q(dir.Folder()), QStringLiteral("tables")});
        EXPECT_EQ(r.status, 8);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, "\nveltmoor-cli: " + dir.File("tables.xml") + ": " + c.why)) << r.err;
    }
}

TEST(CliProcessTest, ALongRunIsPrintedWhole) {
    // 900 accounts give some 2700 lines, 700 missing tables some 4200: more than the log keeps.
    TempDir dir;
    {
        AccountDatabase db(dir.File("tarnwick.mdb"));
        db.Exec("BEGIN");
        for (int i = 0; i < 900; ++i) db.AddSoundAccount("user" + std::to_string(i));
        db.AddAccount(std::string("last"), 999, std::nullopt, std::nullopt, std::nullopt);
        db.Exec("COMMIT");
    }
    std::string tables = "<TABLES>";
    for (int i = 0; i < 700; ++i) tables += "<TABLE name='T" + std::to_string(i) + "'/>";
    dir.Write("tables.xml", tables + "</TABLES>");
    const QString folder = Q(dir.Folder());
    for (const bool quiet : {false, true}) {
        QStringList args{QStringLiteral("--folder"), folder, QStringLiteral("accounts"), QStringLiteral("tables")};
        if (quiet) args.prepend(QStringLiteral("--quiet"));
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.out.rfind("-- Checking Account [user0] --\r\n-- Finished Checking Account [user0] --\r\n  \r\n", 0), 0u)
            << r.out.substr(0, 200);
        EXPECT_EQ(CountOf(r.out, "-- Checking Account ["), 901u);
        EXPECT_TRUE(Has(r.out, "-- Checking Account [last] --\r\nMissing recordset in SETTINGS table\r\n"));
        EXPECT_EQ(CountOf(r.out, "--- Checking table: T"), 700u);
        EXPECT_TRUE(Has(r.out, "  \r\n--- Checking table: T0 ---\r\n** Table [T0] could not be located!!\r\n"));
    }
}

TEST(CliProcessTest, JsonFindingsAgreeWithTheLog) {
    // Two copies of one damaged folder: the log and the JSON of the same repair run.
    TempDir logDir, jsonDir;
    MakeDamagedFolder(logDir);
    MakeDamagedFolder(jsonDir);
    auto run = [](const TempDir& dir, const char* format) {
        return RunCli({QStringLiteral("--fix"), QString::fromLatin1(format), QStringLiteral("--folder"), Q(dir.Folder()),
                       QStringLiteral("tables"), QStringLiteral("accounts")});
    };
    const Result log = run(logDir, "--format=log"), json = run(jsonDir, "--format=json");
    EXPECT_EQ(log.status, 5) << log.out;  // the index and the settings row fixed, the rest left
    EXPECT_EQ(json.status, 5);
    EXPECT_EQ(json.err, log.err);

    // The log's finding lines, in order, against the JSON findings.
    std::vector<std::string> logFindings, jsonFindings;
    const QRegularExpression finding(QStringLiteral("^(Missing .*|\\*\\* Table .* could not be located!!)\r$"),
                                     QRegularExpression::MultilineOption);
    for (const auto& match : finding.globalMatch(Q(log.out))) logFindings.push_back(match.captured(1).toStdString());
    QJsonObject summary;
    int fixed = 0;
    for (const QByteArray& line : QByteArray::fromStdString(json.out).split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        if (object.contains(QStringLiteral("summary"))) summary = object[QStringLiteral("summary")].toObject();
        if (!object.contains(QStringLiteral("check"))) continue;
        EXPECT_TRUE(summary.isEmpty()) << "the summary comes last";
        const bool isFixed = object[QStringLiteral("fixed")].toBool();
        fixed += isFixed;
        const std::string message = object[QStringLiteral("message")].toString().toStdString();
        const bool repairable = message.find("Missing recordset") == 0 || message.find("Index") != std::string::npos;
        jsonFindings.push_back(message + (!repairable ? "" : isFixed ? " - FIXED" : " - ATTEMPT TO FIX FAILED"));
    }
    EXPECT_EQ(jsonFindings, logFindings);
    EXPECT_EQ(logFindings.size(), 4u);
    EXPECT_EQ(fixed, 2);
    // One object per line, its keys in Qt's (sorted) order.
    EXPECT_TRUE(Has(json.out, R"({"account":"bob","check":"accounts","fixed":true,"link":"SETTINGS_ID",)"
                              R"("message":"Missing recordset in SETTINGS table"})" "\n")) << json.out;
    EXPECT_TRUE(Has(json.out, R"({"check":"tables","column":"PASS","fixed":false,"message":"Missing [PASS] Column",)"
                              R"("table":"ACCOUNTS"})" "\n"));
    const QJsonObject expected{{QStringLiteral("tables"), 2}, {QStringLiteral("accounts"), 2},
                               {QStringLiteral("findings"), 4}, {QStringLiteral("fixed"), 2},
                               {QStringLiteral("left"), 2}, {QStringLiteral("errors"), 0}, {QStringLiteral("status"), 5}};
    EXPECT_EQ(summary, expected);
    EXPECT_EQ(LastLine(log.err), "veltmoor-cli: 2 tables and 2 accounts checked; 4 findings: 2 fixed, 2 left; 0 errors");

    // Error blocks: the same code, description and tracer as the log's block.
    TempDir empty;
    const Result noDatabase = RunCli({QStringLiteral("--format=json"), QStringLiteral("--folder"), Q(empty.Folder()),
                                      QStringLiteral("accounts")});
    const QJsonObject first = QJsonDocument::fromJson(QByteArray::fromStdString(noDatabase.out).split('\n')[0]).object();
    const QJsonObject block = first[QStringLiteral("error")].toObject();
    for (const auto& [key, line] : {std::pair{"code", "Code = "}, {"description", "Description: "}, {"tracer", "Tracer: "}})
        EXPECT_TRUE(Has(noDatabase.err, line + block[QLatin1String(key)].toString().toStdString() + "\r\n")) << key;
}

TEST(CliProcessTest, ProgressOnATerminalIsErasedBeforeTheLog) {
    TempDir dir;
    {
        AccountDatabase db(dir.File("tarnwick.mdb"));
        for (const char* name : {"a", "b", "c"}) db.AddAccount(std::string(name), 999, 999, 999, 999);
    }
    // script(1) gives the program a terminal for stdout and stderr alike.
    const QString command = QStringLiteral("'%1' --folder '%2' accounts").arg(QStringLiteral(VELTMOOR_CLI), Q(dir.Folder()));
    const Result r = RunProgram(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    EXPECT_EQ(r.status, 4);
    const std::string progress = "\rveltmoor-cli: 3 of 3 accounts\x1b[K";
    EXPECT_TRUE(Has(r.out, progress)) << r.out;
    // Every progress line is taken away (or redrawn) before anything else is written.
    const QRegularExpression drawn(QStringLiteral("veltmoor-cli: \\d+ of 3 accounts\x1b\\[K(?!\r)"));
    EXPECT_FALSE(drawn.match(Q(r.out)).hasMatch()) << r.out;
    EXPECT_EQ(CountOf(r.out, "-- Checking Account"), 3u);
}

}  // namespace
}  // namespace veltmoor::test
