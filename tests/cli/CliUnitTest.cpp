// veltmoor-cli's pieces: the command line, the exit status, the log output.
#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(CommandLineTest, AcceptedCommandLines) {
    using C = Command;
    using M = ColourMode;
    const struct {
        std::initializer_list<const char*> args;
        std::vector<Command> commands;
        bool fix, quiet;
        ColourMode colour;
        const char* folder;
    } cases[] = {
        {{"accounts", "tables", "accounts"}, {C::Accounts, C::Tables, C::Accounts}, false, false, M::Auto, ""},
        {{"--fix", "--quiet", "accounts"}, {C::Accounts}, true, true, M::Auto, ""},
        {{"tables", "--fix"}, {C::Tables}, true, false, M::Auto, ""},
        {{"--folder", "/srv/x", "tables"}, {C::Tables}, false, false, M::Auto, "/srv/x"},
        {{"--folder=/srv/y", "tables"}, {C::Tables}, false, false, M::Auto, "/srv/y"},
        {{"--color=always", "tables"}, {C::Tables}, false, false, M::Always, ""},
        {{"--color=never", "tables"}, {C::Tables}, false, false, M::Never, ""},
        {{"--color", "auto", "--", "tables"}, {C::Tables}, false, false, M::Auto, ""},
    };
    for (const auto& c : cases) {
        const ParseResult r = Parse(c.args);
        SCOPED_TRACE(*c.args.begin());
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.options.commands, c.commands);
        EXPECT_EQ(r.options.fix, c.fix);
        EXPECT_EQ(r.options.quiet, c.quiet);
        EXPECT_EQ(r.options.colour, c.colour);
        EXPECT_EQ(r.options.folder, QString::fromUtf8(c.folder));
        EXPECT_FALSE(r.options.help || r.options.version);
    }
    const ParseResult all = Parse({"--database", "a.db", "--tables=t.xml", "--no-backup", "--format=json", "accounts"});
    EXPECT_EQ(all.error, "");
    EXPECT_EQ(all.options.database, QStringLiteral("a.db"));
    EXPECT_EQ(all.options.tables, QStringLiteral("t.xml"));
    EXPECT_FALSE(all.options.backup);
    EXPECT_EQ(all.options.format, OutputFormat::Json);
    EXPECT_TRUE(Parse({"tables"}).options.backup);
    EXPECT_EQ(Parse({"--connection", "DSN=ftp;UID=x", "tables"}).options.connection, QStringLiteral("DSN=ftp;UID=x"));
    EXPECT_TRUE(Parse({"-h"}).options.help);
    EXPECT_EQ(Parse({"tables", "--help"}).error, "");
}

TEST(CommandLineTest, UsageErrorsAreOneLine) {
    const std::initializer_list<const char*> cases[] = {
        {}, {"--fix"}, {"--bogus", "tables"}, {"tablez"}, {"tables", "Accounts"}, {"--color=sometimes", "tables"},
        {"tables", "--color"}, {"tables", "--folder"}, {"--folder=", "tables"}, {"-fix", "tables"}, {"--fix=yes", "tables"},
        {"--format=text", "tables"}, {"--database=", "tables"}, {"--database=a", "--connection=b", "tables"},
        {"--folder=a", "--database=b", "tables"},
    };
    for (const auto& args : cases) {
        const ParseResult r = Parse(args);
        EXPECT_NE(r.error, "") << (args.size() ? *args.begin() : "(none)");
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
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
    EXPECT_EQ(SummaryLine(total), "veltmoor-cli: 2 tables and 40 accounts checked; 7 findings: 5 fixed, 2 left; 0 errors");
    EXPECT_EQ(SummaryLine({1, 0, 1, 1, 1}), "veltmoor-cli: 1 table and 1 account checked; 1 finding: 0 fixed, 1 left; 1 error");
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
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_FALSE(WantColour(ColourMode::Auto, fds[1])) << "auto colours only a terminal";
    EXPECT_TRUE(WantColour(ColourMode::Always, fds[1]));
    EXPECT_FALSE(WantColour(ColourMode::Never, fds[1]));
    close(fds[0]);
    close(fds[1]);
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
