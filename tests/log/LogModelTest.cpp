// The line store: the 2000/1000 limit, clearing, the plain text, and the UTF-8
// boundary helpers the widget measures with.
#include <gtest/gtest.h>

#include <string>

#include "base/CString.h"
#include "log/LogModel.h"
#include "log/Utf8.h"

namespace veltmoor {
namespace {

void AddNumbered(LogModel& model, int from, int to) {
    for (int i = from; i < to; ++i) model.AddLine(Format("line %d", i));
}

TEST(LogModel, EmptyTextAddsNothingAndTwoSpacesAddALine) {
    LogModel model;
    EXPECT_EQ(model.AddLine(""), nullptr);
    EXPECT_TRUE(model.Empty());
    const LogLine* blank = model.AddLine("  ");
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->Text(), "  ");
    EXPECT_EQ(model.Count(), 1u);
}

TEST(LogModel, TextMadeOnlyOfCodesStillTakesARow) {
    LogModel model;
    model.AddLine("\x03" "04" "\x03");
    model.AddLine("\r\n");
    EXPECT_EQ(model.Count(), 2u);
    EXPECT_EQ(model.GetText(), "\r\n\r\n");
}

TEST(LogModel, TrimsTheOldestThousandOnceOverTwoThousand) {
    LogModel model;
    AddNumbered(model, 0, 2000);
    EXPECT_EQ(model.Count(), 2000u);
    model.AddLine("line 2000");  // 2000 is not over the limit: no trimming yet
    EXPECT_EQ(model.Count(), 2001u);
    model.AddLine("line 2001");
    ASSERT_EQ(model.Count(), 1002u);
    EXPECT_EQ(model.Lines().front().Text(), "line 1000");
    EXPECT_EQ(model.Lines().back().Text(), "line 2001");
    // The store never holds more than 2001 lines.
    AddNumbered(model, 2002, 6000);
    EXPECT_LE(model.Count(), 2001u);
    EXPECT_EQ(model.Lines().back().Text(), "line 5999");
}

TEST(LogModel, EmptyTextDoesNotTrim) {
    LogModel model;
    AddNumbered(model, 0, 2001);
    model.AddLine("");
    EXPECT_EQ(model.Count(), 2001u);
}

TEST(LogModel, PlainTextEndsEveryLineWithCrLf) {
    LogModel model;
    EXPECT_EQ(model.GetText(), "");
    model.AddLine("a");
    model.AddLine("b");
    EXPECT_EQ(model.GetText(), "a\r\nb\r\n");
}

TEST(LogModel, PlainTextHasNoCodesAndExpandedTabs) {
    LogModel model;
    model.AddLine("\x03" "04--- FIXED: x" "\x03");
    model.AddLine("k\tv");
    model.AddLine("two\r\nparts");
    EXPECT_EQ(model.GetText(), "--- FIXED: x\r\nk    v\r\ntwoparts\r\n");
}

TEST(LogModel, ClearEmptiesTheStore) {
    LogModel model;
    AddNumbered(model, 0, 10);
    model.Clear();
    EXPECT_TRUE(model.Empty());
    EXPECT_EQ(model.GetText(), "");
    model.AddLine("again");
    EXPECT_EQ(model.GetText(), "again\r\n");
}

TEST(LogModel, EmbeddedNulIsKeptAsAByte) {
    LogModel model;
    const std::string text("a\0b", 3);
    model.AddLine(text);
    EXPECT_EQ(model.Lines().front().Length(), 3);
    EXPECT_EQ(model.GetText(), std::string("a\0b\r\n", 5));
}

struct BoundaryCase {
    const char* name;
    std::string text;
    std::int32_t pos;
    std::int32_t start;  // CharStart
    std::int32_t next;   // NextBoundary
    int length;          // CharLength at pos
};

class Utf8Boundaries : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(Utf8Boundaries, SnapToCharacters) {
    const BoundaryCase& c = GetParam();
    EXPECT_EQ(utf8::CharStart(c.text, c.pos), c.start);
    EXPECT_EQ(utf8::NextBoundary(c.text, c.pos), c.next);
    EXPECT_EQ(utf8::CharLength(c.text, c.pos), c.length);
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, Utf8Boundaries,
    ::testing::Values(BoundaryCase{"Ascii", "abc", 1, 1, 1, 1},
                      BoundaryCase{"TwoByteLead", "a\xC3\xA9z", 1, 1, 1, 2},
                      BoundaryCase{"TwoByteTail", "a\xC3\xA9z", 2, 1, 3, 1},
                      BoundaryCase{"ThreeByteMiddle", "\xE2\x82\xAC", 1, 0, 3, 1},
                      BoundaryCase{"FourByteLast", "x\xF0\x9F\x98\x80", 4, 1, 5, 1},
                      BoundaryCase{"StrayContinuation", "a\x80z", 1, 1, 1, 1},
                      BoundaryCase{"TruncatedLead", "a\xE2\x82", 1, 1, 1, 1},
                      BoundaryCase{"TruncatedTail", "a\xE2\x82", 2, 2, 2, 1},
                      BoundaryCase{"Overlong", "\xC0\xAF", 1, 1, 1, 1},
                      BoundaryCase{"Surrogate", "\xED\xA0\x80", 0, 0, 0, 1},
                      BoundaryCase{"PastEnd", "ab", 2, 2, 2, 0}),
    [](const ::testing::TestParamInfo<BoundaryCase>& info) { return std::string(info.param.name); });

TEST(Utf8, DecodeGivesReplacementForMalformedBytes) {
    EXPECT_EQ(utf8::Decode("\xC3\xA9", 0), U'\u00E9');
    EXPECT_EQ(utf8::Decode("\xF0\x9F\x98\x80", 0), U'\U0001F600');
    EXPECT_EQ(utf8::Decode("\xC3", 0), U'\uFFFD');
    EXPECT_EQ(utf8::Decode("\xA9", 0), U'\uFFFD');
}

}  // namespace
}  // namespace veltmoor
