// The log's text model: the colour-code parser's state table, the store's 2000/1000
// limit and plain text, and the UTF-8 boundary helpers.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "base/CString.h"
#include "log/LogModel.h"
#include "log/Utf8.h"

namespace veltmoor {
namespace {

using namespace std::string_literals;
using Changes = std::vector<std::array<int, 3>>;  // position, background, text

struct ParseCase {
    const char* name;
    std::string input, display;  // the text added and the text shown
    Changes changes;
};

const std::string C = "\x03";  // start (and close) of a colour code

const ParseCase kParseCases[] = {
    // Examples of the log's colour-code convention.
    {"RedMessage", C + "04Error" + C, "Error", {{0, -1, 4}}},
    {"TextAndBackground", C + "12,08Note", "Note", {{0, 8, 12}}},
    {"CommaWithoutDigit", C + "4,x", ",x", {{0, -1, 4}}}, {"NumberOutOfRange", C + "25abc", "abc", {}},
    {"LoneCodeResets", "abc" + C + "x", "abcx", {{3, -1, -1}}},
    {"ClosedCodeColoursLastCharacter", "ab" + C + "03" + C + "cd", "abcd", {{1, -1, 3}, {2, -1, -1}}},
    {"CodeBeforeFirstCharacter", C + "05" + C + "x", "x", {{-1, -1, 5}, {0, -1, -1}}},
    {"TabIsFourSpaces", "a\tb", "a    b", {}}, {"CodeOnlyGivesEmptyLine", C + "04" + C, "", {{-1, -1, 4}}},
    {"TabInsideOpenCode", C + "\t5x", "    x", {{4, -1, 5}}}, {"LineBreaksRemoved", "one\r\ntwo\r", "onetwo", {}},
    {"AtMostTwoDigits", C + "04123", "123", {{0, -1, 4}}},
    // Codes at the start, middle and end of a line.
    {"CodeInMiddle", "ab" + C + "09cd" + C + "ef", "abcdef", {{2, -1, 9}, {4, -1, -1}}},
    {"OpenCodeAtEnd", "abc" + C + "04", "abc", {}}, {"OpenMarkerAtEnd", "abc" + C, "abc", {}},
    {"OpenCommaAtEnd", "abc" + C + "4,", "abc", {}}, {"OpenBackgroundAtEnd", "abc" + C + "4,1", "abc", {}},
    {"OneDigitAtEnd", "abc" + C + "4", "abc", {}},
    // The comma form; 15 is the last colour number.
    {"TwoDigitBackground", C + "15,12x", "x", {{0, 12, 15}}}, {"OneDigitBackground", C + "4,1x", "x", {{0, 1, 4}}},
    {"OneDigitBackgroundClosed", C + "4,1" + C + "x", "x", {{-1, 1, 4}, {0, -1, -1}}},
    {"CommaThenCode", C + "4," + C + "x", ",x", {{0, -1, 4}, {1, -1, -1}}},
    {"SecondCommaIsText", C + "3,4,x", ",x", {{0, 4, 3}}}, {"TextOutOfRangeWithBackground", C + "16,02x", "x", {}},
    {"BackgroundOutOfRange", C + "04,99x", "x", {}}, {"BackgroundSixteen", C + "4,16x", "x", {}},
    {"OutOfRangeCommaIsTextWithoutColour", C + "99,x", ",x", {}},
    // Dropped bytes and tabs inside codes.
    {"DroppedByteBetweenDigits", C + "0\x02" "4x", "x", {{0, -1, 4}}},
    {"DroppedBytesAroundComma", C + "\r\n12,\x1f" "03y", "y", {{0, 3, 12}}},
    {"TabBetweenDigits", C + "1\t2x", "    x", {{4, -1, 12}}}, {"TabAfterComma", C + "4,\t1x", "    x", {{4, 1, 4}}},
    // Further transitions.
    {"FirstChangeAtPositionWins", "a" + C + "04" + C + "05" + C + "x", "ax", {{0, -1, 4}, {1, -1, -1}}},
    {"ThirdDigitIsText", C + "123", "3", {{0, -1, 12}}},
    {"DoubleMarker", C + C + "x", "x", {{-1, -1, -1}, {0, -1, -1}}},
    {"OneDigitClosed", "a" + C + "7" + C + "b", "ab", {{0, -1, 7}, {1, -1, -1}}},
    {"TwoDigitsClosedOutOfRange", "a" + C + "44" + C + "b", "ab", {{1, -1, -1}}},
    {"BackgroundClosedAtEnd", "ab" + C + "2,03" + C, "ab", {{2, 3, 2}}},
    {"ZeroIsAColour", C + "00,15x", "x", {{0, 15, 0}}},
    {"ResetRecordedBeforeAnEarlierChange", "x" + C + "4,12" + C + C + "y", "xy", {{0, -1, -1}, {1, 12, 4}}},
    {"MinusOneKeepsTheFirstChange", C + "4,1" + C + C + "9x", "x", {{-1, 1, 4}, {0, -1, 9}}},
    {"OnlyDroppedBytes", "\r\n\x02\x1f", "", {}}, {"NonDigitAfterMarkerIsText", C + "-1x", "-1x", {{0, -1, -1}}},
};

TEST(LogLine, ParseTable) {
    for (const ParseCase& c : kParseCases) {
        const LogLine line(c.input);
        EXPECT_EQ(line.Text(), c.display) << c.name;
        Changes got;  // Changes() is sorted, one entry per position
        for (const ColourChangeAt& e : line.Changes()) got.push_back({e.position, e.change.background, e.change.text});
        EXPECT_EQ(got, c.changes) << c.name;
    }
}

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
    // The last two: codes only (still a row), and a NUL kept.
    for (const std::string& line : {"\x03" "04--- FIXED: x" "\x03"s, "k\tv"s, "  "s, "\x03" "04" "\x03"s, "a\0b"s})
        model.AddLine(line);
    EXPECT_EQ(model.GetText(), "--- FIXED: x\r\nk    v\r\n  \r\n\r\na\0b\r\n"s);
    model.Clear();
    EXPECT_EQ(model.GetText(), "");
}

TEST(Utf8, BoundariesSnapToCharacters) {
    // CharStart, NextBoundary, CharLength and Decode at pos: malformed bytes count as one character each, shown as U+FFFD.
    const struct { std::string text; std::int32_t pos, start, next, length; char32_t decoded; } cases[] = {
        {"a\xC3\xA9z", 1, 1, 1, 2, 0xE9}, {"a\xC3\xA9z", 2, 1, 3, 1, 0xFFFD}, {"\xE2\x82\xAC", 1, 0, 3, 1, 0xFFFD},
        {"x\xF0\x9F\x98\x80", 4, 1, 5, 1, 0xFFFD}, {"a\x80z", 1, 1, 1, 1, 0xFFFD}, {"a\xE2\x82", 1, 1, 1, 1, 0xFFFD}, {"ab", 2, 2, 2, 0, 0xFFFD},
        {"a\xE2\x82", 2, 2, 2, 1, 0xFFFD}, {"\xC0\xAF", 0, 0, 0, 1, 0xFFFD}, {"\xED\xA0\x80", 0, 0, 0, 1, 0xFFFD},
        {"\xC3z", 0, 0, 0, 1, 0xFFFD}, {"\xC0\xAF", 1, 1, 1, 1, 0xFFFD}, {"\xF0\x9F\x98\x80", 0, 0, 0, 4, 0x1F600}};
    for (const auto& c : cases)
        EXPECT_EQ(std::tuple(utf8::CharStart(c.text, c.pos), utf8::NextBoundary(c.text, c.pos), utf8::CharLength(c.text, c.pos),
                             utf8::Decode(c.text, c.pos)), std::tuple(c.start, c.next, c.length, c.decoded)) << c.text << " at " << c.pos;
}

}  // namespace
}  // namespace veltmoor
