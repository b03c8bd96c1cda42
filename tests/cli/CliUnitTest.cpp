// veltmoor-cli's pieces: the exit status and the log output's colours.
#include <gtest/gtest.h>

#include "cli/ExitStatus.h"
#include "cli/LogOutput.h"

namespace veltmoor::cli {
namespace {

TEST(ExitStatusTest, SummaryCountsEveryRunInWords) {
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
    for (const char* line : {"plain", "\x03" "04Error\x03", "x\x03" "03y\x03" "z", "\x03" "08gr\xc3\xbc\xc3\x9f\x03", "\x03" "00,02x"})
        log.AddLine(line);
    EXPECT_EQ(RenderLog(log, false, false), log.GetText());
    EXPECT_EQ(RenderLog(log, true, false),
              "plain\r\n"
              "\x1b[38;2;255;0;0;49mError\x1b[0m\r\n"
              "x\x1b[38;2;0;146;0;49my\x1b[39;49mz\x1b[0m\r\n"
              "\x1b[38;2;255;255;0;49mgr\xc3\xbc\xc3\x9f\x1b[0m\r\n"
              "\x1b[38;2;255;255;255;48;2;0;0;123mx\x1b[0m\r\n");  // with a background
}

}  // namespace
}  // namespace veltmoor::cli
