// veltmoor-cli's pieces: the command line, the exit status, the log output.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/LogOutput.h"

namespace veltmoor::cli {
namespace {

ParseResult Parse(std::initializer_list<const char*> args) {
    QStringList list{QStringLiteral("veltmoor-cli")};
    for (const char* a : args) list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}

// The options as one line: the commands by number, then what differs from the defaults.
std::string Describe(const ParseResult& r) {
    const CliOptions& o = r.options;
    std::string text = r.error;
    for (Command c : o.commands) text += std::to_string(static_cast<int>(c));
    for (const auto& [on, name] : {std::pair{o.fix, " fix"}, {o.quiet, " quiet"}, {!o.backup, " no-backup"},
                                   {o.format == OutputFormat::Json, " json"}, {o.help, " help"}, {o.version, " version"}})
        text += on ? name : "";
    text += o.colour == ColourMode::Auto ? "" : o.colour == ColourMode::Always ? " always" : " never";
    for (const QString& path : {o.folder, o.database, o.connection, o.tables}) text += " " + path.toStdString();
    return text;
}

TEST(CommandLineTest, AcceptedCommandLines) {
    const std::string t = std::to_string(static_cast<int>(Command::Tables)), a = std::to_string(static_cast<int>(Command::Accounts));
    const struct {
        std::initializer_list<const char*> args;
        std::string expected;
    } cases[] = {
        {{"accounts", "tables", "accounts"}, a + t + a + "    "},
        {{"--fix", "--quiet", "accounts"}, a + " fix quiet    "},
        {{"tables", "--fix"}, t + " fix    "},
        {{"--folder", "/srv/x", "tables"}, t + " /srv/x   "},
        {{"--folder=/srv/y", "tables"}, t + " /srv/y   "},
        {{"--color=always", "tables"}, t + " always    "},
        {{"--color=never", "tables"}, t + " never    "},
        {{"--color", "auto", "--", "tables"}, t + "    "},
        {{"--database", "a.db", "--tables=t.xml", "--no-backup", "--format=json", "accounts"}, a + " no-backup json  a.db  t.xml"},
        {{"--connection", "DSN=ftp;UID=x", "tables"}, t + "   DSN=ftp;UID=x "},
        {{"-h"}, " help    "},
        {{"tables", "--help"}, " help    "},
    };
    for (const auto& c : cases) EXPECT_EQ(Describe(Parse(c.args)), c.expected) << *c.args.begin();
}

TEST(ExitStatusTest, BitsAndSummaryFromTheCountsOfEveryRun) {
    const struct {
        CheckTally tally;
        int status;
    } cases[] = {{{0, 0, 0}, 0}, {{3, 3, 0}, 1}, {{3, 2, 0}, 5}, {{3, 0, 0}, 4},
                 {{0, 0, 1}, 8}, {{2, 2, 1}, 9}, {{2, 1, 4}, 13}, {{2, 0, 1}, 12}};
    for (const auto& c : cases)
        EXPECT_EQ(ExitStatusOf(c.tally), c.status) << c.tally.findings << "/" << c.tally.fixed << "/" << c.tally.errors;
    CheckTally total{0, 0, 0, 1, 39};
    Accumulate(total, {2, 2, 0, 1, 1});
    Accumulate(total, {5, 3, 0});
    using enum Command;
    EXPECT_EQ(SummaryLine(total, {Tables, Accounts}), "veltmoor-cli: 2 tables and 40 accounts checked; 7 findings: 5 fixed, 2 left; 0 errors");
    EXPECT_EQ(SummaryLine({1, 0, 1, 1, 1}, {Accounts, Tables}), "veltmoor-cli: 1 table and 1 account checked; 1 finding: 0 fixed, 1 left; 1 error");
    EXPECT_EQ(SummaryLine(total, {Accounts, Accounts}), "veltmoor-cli: 40 accounts checked; 7 findings: 5 fixed, 2 left; 0 errors");
    EXPECT_EQ(SummaryLine({0, 0, 0, 1, 0}, {Tables}), "veltmoor-cli: 1 table checked; 0 findings: 0 fixed, 0 left; 0 errors");
}

TEST(LogOutputTest, PlainIsTheClipboardTextAndColourResetsAtLineEnd) {
    LogModel log;
    for (const char* line : {"plain", "\x03" "04Error\x03", "ab\x03" "12,08cd", "x\x03" "03y\x03" "z", "\x03" "08gr\xc3\xbc\xc3\x9f\x03"})
        log.AddLine(line);
    EXPECT_EQ(RenderLog(log, false), log.GetText());
    EXPECT_EQ(RenderLog(log, true),
              "plain\r\n"
              "\x1b[38;2;255;0;0;49mError\x1b[0m\r\n"
              "ab\x1b[38;2;0;0;255;48;2;255;255;0mcd\x1b[0m\r\n"
              "x\x1b[38;2;0;146;0;49my\x1b[39;49mz\x1b[0m\r\n"
              "\x1b[38;2;255;255;0;49mgr\xc3\xbc\xc3\x9f\x1b[0m\r\n");
}

TEST(LogOutputTest, FollowerHandsOutEveryLineOnceThoughTheLogDropsOldOnes) {
    LogModel log;
    LogFollower follower(log);
    std::string all, expected;
    // 5000 lines, asked after every 7: the log drops its oldest lines twice over.
    for (int i = 0; i < 5000; ++i) {
        log.AddLine("line " + std::to_string(i));
        expected += "line " + std::to_string(i) + "\r\n";
        if (i % 7 == 6) all += follower.TakeNew(false);
    }
    all += follower.TakeNew(false);
    EXPECT_LT(log.Count(), 2002u);
    EXPECT_EQ(all, expected);
    EXPECT_EQ(follower.TakeNew(false), "");
    // A new run: the log is cleared and followed from its first line again.
    log.Clear();
    follower.Restart();
    log.AddLine("\x03" "04red\x03");
    EXPECT_EQ(follower.TakeNew(true), "\x1b[38;2;255;0;0;49mred\x1b[0m\r\n");
}

}  // namespace
}  // namespace veltmoor::cli
