// The error block: eight lines, colour 8, the code in lower-case hex, the message
// text with its two fall-back formats.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/VeltmoorDlg.h"
#include "base/Support.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/ScriptedConnection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;

// The text colour number of every character of every line: -1 for the default,
// or the one number a whole line is drawn in.
std::vector<int> LineColours(const CVeltmoorDlg& dlg) {
    std::vector<int> colours;
    for (const LogLine& line : dlg.m_wndLog.Model().Lines()) {
        int colour = line.Length() ? line.NumbersAt(0).text : -1;
        for (std::int32_t i = 1; i < line.Length(); ++i)
            if (line.NumbersAt(i).text != colour) colour = -2;  // mixed
        colours.push_back(colour);
    }
    return colours;
}

class RecordExceptionTest : public ::testing::Test {
protected:
    CVeltmoorDlg dlg_;
};

TEST_F(RecordExceptionTest, BlockWithComponentInformation) {
    dlg_.RecordException(_com_error(static_cast<HRESULT>(0x80004005), "SQLite", "disk I/O error"),
                         "CVeltmoorDlg::OpenConnection", true);
    EXPECT_THAT(LogLines(dlg_),
                ElementsAre("  ", "Exception Recorded", "Code = 80004005", "Msg: Unspecified error",
                            "Source: SQLite", "Description: disk I/O error",
                            "Tracer: CVeltmoorDlg::OpenConnection",
                            std::string("** Email ") + kSupportEmail + " with this log if this problem persists"));
    // The blank line in the default colours, the rest yellow (8) throughout.
    EXPECT_THAT(LineColours(dlg_), ElementsAre(-1, 8, 8, 8, 8, 8, 8, 8));
    EXPECT_EQ(dlg_.m_tally.errors, 1);
}

TEST_F(RecordExceptionTest, ObjectNeverCreatedStillWritesAllEightLines) {
    try {
        ado::ConnectionPtr never;
        never->Execute("SELECT 1");
        FAIL() << "using an absent object must raise";
    } catch (const _com_error& error) {
        dlg_.RecordException(error, "CVeltmoorDlg::CheckAccounts", true);
    }
    const auto lines = LogLines(dlg_);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2], "Code = 80004003");
    EXPECT_EQ(lines[3], "Msg: Invalid pointer");
    EXPECT_EQ(lines[4], "Source: (none)");
    EXPECT_EQ(lines[5], "Description: (none)");
}

TEST_F(RecordExceptionTest, MessageFallBacksForCodesWithoutText) {
    dlg_.RecordException(_com_error(static_cast<HRESULT>(0x80040201)), "t", true);
    dlg_.RecordException(_com_error(static_cast<HRESULT>(0x80040200)), "t", true);
    dlg_.RecordException(_com_error(static_cast<HRESULT>(0x800A0E7A)), "t", true);
    const auto lines = LogLines(dlg_);
    ASSERT_EQ(lines.size(), 24u);  // three complete blocks, each opened by its blank line
    EXPECT_EQ(lines[0], "  ");
    EXPECT_EQ(lines[3], "Msg: IDispatch error #1");
    EXPECT_EQ(lines[8], "  ");
    EXPECT_EQ(lines[11], "Msg: Unknown error 0x80040200");
    EXPECT_EQ(lines[18], "Code = 800a0e7a");
    EXPECT_EQ(lines[19], "Msg: Unknown error 0x800A0E7A");
}

TEST_F(RecordExceptionTest, SilentRecordingLeavesTheLogAlone) {
    dlg_.m_wndLog.AddLine("before");
    dlg_.RecordException(_com_error(hr::kFail), "CVeltmoorDlg::CreateTable", false);
    EXPECT_THAT(LogLines(dlg_), ElementsAre("before"));
    EXPECT_EQ(dlg_.m_tally.errors, 0);
}

TEST(IsSqlServerProvider, OnlyTheStartOfTheProviderNameCounts) {
    struct Case {
        const char* provider;
        bool sqlServer;
    } cases[] = {{"SQLOLEDB.1", true},   {"sqloledb", true},  {"MSDASQL.1", true},
                 {"msdasql.2", true},    {"Microsoft.Jet.OLEDB.4.0", false}, {"XSQLOLEDB", false},
                 {"NotMSDASQL", false},  {"", false}};
    for (const auto& c : cases) {
        ScriptedConnection sql;
        sql.SetProvider(c.provider);
        EXPECT_EQ(IsSqlServerProvider(sql.Open()), c.sqlServer) << c.provider;
    }
    EXPECT_THROW(IsSqlServerProvider(ado::ConnectionPtr()), _com_error);
}

}  // namespace
}  // namespace veltmoor::test
