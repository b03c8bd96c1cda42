// The colour-code parser of LogLine: display text and recorded changes for the
// transitions of its state machine, and the colour runs cut from them.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "log/LogModel.h"

namespace veltmoor {
namespace {

using Changes = std::vector<std::array<int, 3>>;  // position, background, text

struct ParseCase {
    const char* name;
    std::string input;
    std::string display;
    Changes changes;
};

const std::string C = "\x03";  // start (and close) of a colour code

const ParseCase kParseCases[] = {
    // Examples of the log's colour-code convention.
    {"RedMessage", C + "04Error" + C, "Error", {{0, -1, 4}}},
    {"TextAndBackground", C + "12,08Note", "Note", {{0, 8, 12}}},
    {"CommaWithoutDigit", C + "4,x", ",x", {{0, -1, 4}}},
    {"NumberOutOfRange", C + "25abc", "abc", {}},
    {"LoneCodeResets", "abc" + C + "x", "abcx", {{3, -1, -1}}},
    {"ClosedCodeColoursLastCharacter", "ab" + C + "03" + C + "cd", "abcd", {{1, -1, 3}, {2, -1, -1}}},
    {"CodeBeforeFirstCharacter", C + "05" + C + "x", "x", {{-1, -1, 5}, {0, -1, -1}}},
    {"TabIsFourSpaces", "a\tb", "a    b", {}},
    {"CodeOnlyGivesEmptyLine", C + "04" + C, "", {{-1, -1, 4}}},
    {"TabInsideOpenCode", C + "\t5x", "    x", {{4, -1, 5}}},
    {"LineBreaksRemoved", "one\r\ntwo\r", "onetwo", {}},
    {"AtMostTwoDigits", C + "04123", "123", {{0, -1, 4}}},
    // Codes at the start, middle and end of a line.
    {"CodeInMiddle", "ab" + C + "09cd" + C + "ef", "abcdef", {{2, -1, 9}, {4, -1, -1}}},
    {"OpenCodeAtEnd", "abc" + C + "04", "abc", {}},
    {"OpenMarkerAtEnd", "abc" + C, "abc", {}},
    {"OpenCommaAtEnd", "abc" + C + "4,", "abc", {}},
    {"OpenBackgroundAtEnd", "abc" + C + "4,1", "abc", {}},
    {"OneDigitAtEnd", "abc" + C + "4", "abc", {}},
    // The comma form; 15 is the last colour number.
    {"TwoDigitBackground", C + "15,12x", "x", {{0, 12, 15}}},
    {"OneDigitBackground", C + "4,1x", "x", {{0, 1, 4}}},
    {"OneDigitBackgroundClosed", C + "4,1" + C + "x", "x", {{-1, 1, 4}, {0, -1, -1}}},
    {"CommaThenCode", C + "4," + C + "x", ",x", {{0, -1, 4}, {1, -1, -1}}},
    {"SecondCommaIsText", C + "3,4,x", ",x", {{0, 4, 3}}},
    {"TextOutOfRangeWithBackground", C + "16,02x", "x", {}},
    {"BackgroundOutOfRange", C + "04,99x", "x", {}},
    {"BackgroundSixteen", C + "4,16x", "x", {}},
    {"OutOfRangeCommaIsTextWithoutColour", C + "99,x", ",x", {}},
    // Dropped bytes and tabs inside codes.
    {"DroppedByteBetweenDigits", C + "0\x02" "4x", "x", {{0, -1, 4}}},
    {"DroppedBytesAroundComma", C + "\r\n12,\x1f" "03y", "y", {{0, 3, 12}}},
    {"TabBetweenDigits", C + "1\t2x", "    x", {{4, -1, 12}}},
    {"TabAfterComma", C + "4,\t1x", "    x", {{4, 1, 4}}},
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
    {"OnlyDroppedBytes", "\r\n\x02\x1f", "", {}},
    {"NonDigitAfterMarkerIsText", C + "-1x", "-1x", {{0, -1, -1}}},
};

TEST(LogLine, ParseTable) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.name);
        const LogLine line(c.input);
        EXPECT_EQ(line.Text(), c.display);
        EXPECT_STREQ(line.CStr(), c.display.c_str());
        Changes got;  // Changes() is sorted, one entry per position
        for (const ColourChangeAt& e : line.Changes()) got.push_back({e.position, e.change.background, e.change.text});
        EXPECT_EQ(got, c.changes);
    }
}

TEST(LogLine, ColoursAreResolvedAgainstThePalette) {
    const LogLine line("ab" + C + "03" + C + "cd" + C + "10,08ef" + C + "25g");
    EXPECT_EQ(line.ColoursAt(-1), (Colours{kLogDefaultText, kLogDefaultBackground}));
    EXPECT_EQ(line.ColoursAt(2), (Colours{kLogDefaultText, kLogDefaultBackground}));
    // Colour references are 0x00BBGGRR; an out-of-range code keeps the colours in force.
    EXPECT_EQ(line.ColoursAt(6), (Colours{0x949200u, 0x00FFFFu}));
}

// The runs of a line as "start+length:text/background" joined by spaces.
std::string Runs(const std::vector<ColourSegment>& segments) {
    std::string out;
    for (const ColourSegment& s : segments)
        out += (out.empty() ? "" : " ") + std::to_string(s.start) + "+" + std::to_string(s.length) + ":" +
               std::to_string(s.numbers.text) + "/" + std::to_string(s.numbers.background);
    return out;
}

TEST(LogLine, SegmentsSplitAtChangesAndNeverInsideACharacter) {
    const struct {
        std::string input;
        int start, count;  // count -1: the whole line
        const char* runs;
    } cases[] = {
        {C + "01,04AAA" + C + "01,09BBB" + C + "01,12CCC", 0, -1, "0+3:1/4 3+3:1/9 6+3:1/12"},
        {C + "01,04AAA" + C + "01,09BBB" + C + "01,12CCC", 4, 4, "4+2:1/9 6+2:1/12"},
        {"", 0, -1, ""},
        // A closed code after U+00E9 lands on its last byte: the whole character takes it.
        {"a\xC3\xA9" + C + "03" + C + "b", 0, -1, "0+1:-1/-1 1+2:3/-1 3+1:-1/-1"},
        {"a\xC3\xA9" + C + "03" + C + "b", 2, 1, "1+2:3/-1"},
        {"\xE2\x82\xAC" + C + "05" + C + "\xF0\x9F\x98\x80" + C + "06" + C, 0, -1, "0+3:5/-1 3+4:6/-1"},
    };
    for (const auto& c : cases) {
        const LogLine line(c.input);
        EXPECT_EQ(Runs(c.count < 0 ? line.Segments() : line.Segments(c.start, c.count)), c.runs) << c.input;
    }
}

}  // namespace
}  // namespace veltmoor
