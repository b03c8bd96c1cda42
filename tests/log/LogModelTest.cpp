// The line store: the 2000/1000 limit, clearing, the plain text, and the UTF-8
// boundary helpers the widget measures with.
#include <gtest/gtest.h>

#include <string>

#include "base/CString.h"
#include "log/LogModel.h"
#include "log/Utf8.h"

namespace veltmoor {
namespace {

using namespace std::string_literals;

TEST(LogModel, TrimsTheOldestThousandOnceOverTwoThousand) {
    LogModel model;
    for (int i = 0; i < 2001; ++i) model.AddLine(Format("line %d", i));
    EXPECT_EQ(model.AddLine(""), nullptr);  // empty text adds nothing and does not trim
    EXPECT_EQ(model.Count(), 2001u);        // 2001 is the most ever held
    model.AddLine("line 2001");
    ASSERT_EQ(model.Count(), 1002u);
    EXPECT_EQ(model.Lines().front().Text(), "line 1000");
    EXPECT_EQ(model.Lines().back().Text(), "line 2001");
}

TEST(LogModel, PlainTextHasNoCodesExpandedTabsAndCrLfAfterEveryLine) {
    LogModel model;
    EXPECT_EQ(model.GetText(), "");
    model.AddLine("\x03" "04--- FIXED: x" "\x03");
    model.AddLine("k\tv");
    model.AddLine("  ");
    model.AddLine("\x03" "04" "\x03");  // codes only: still a row
    model.AddLine(std::string("a\0b", 3));
    EXPECT_EQ(model.GetText(), "--- FIXED: x\r\nk    v\r\n  \r\n\r\na\0b\r\n"s);
    model.Clear();
    EXPECT_TRUE(model.Empty());
    model.AddLine("again");
    EXPECT_EQ(model.GetText(), "again\r\n");
}

TEST(Utf8, BoundariesSnapToCharacters) {
    const struct {
        std::string text;
        std::int32_t pos, start, next;  // CharStart and NextBoundary at pos
        int length;                     // CharLength at pos
    } cases[] = {
        {"a\xC3\xA9z", 1, 1, 1, 2},        {"a\xC3\xA9z", 2, 1, 3, 1},      {"\xE2\x82\xAC", 1, 0, 3, 1},
        {"x\xF0\x9F\x98\x80", 4, 1, 5, 1}, {"a\x80z", 1, 1, 1, 1},          {"a\xE2\x82", 1, 1, 1, 1},
        {"a\xE2\x82", 2, 2, 2, 1},         {"\xC0\xAF", 1, 1, 1, 1},        {"\xED\xA0\x80", 0, 0, 0, 1},
        {"ab", 2, 2, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " at " + std::to_string(c.pos));
        EXPECT_EQ(utf8::CharStart(c.text, c.pos), c.start);
        EXPECT_EQ(utf8::NextBoundary(c.text, c.pos), c.next);
        EXPECT_EQ(utf8::CharLength(c.text, c.pos), c.length);
    }
    EXPECT_EQ(utf8::Decode("\xF0\x9F\x98\x80", 0), U'\U0001F600');
    EXPECT_EQ(utf8::Decode("\xC3", 0), U'\uFFFD');
}

}  // namespace
}  // namespace veltmoor
