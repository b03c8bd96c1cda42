// The colour-code parser of LogLine: display text and recorded changes for the
// transitions of its state machine, as one table.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "log/LogModel.h"

namespace veltmoor {
namespace {

using Changes = std::map<std::int32_t, ColourChange>;

struct ParseCase {
    const char* name;
    std::string input;
    std::string display;
    Changes changes;
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) { return os << c.name; }

const std::string C = "\x03";  // start (and close) of a colour code

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, DisplayTextAndChanges) {
    const ParseCase& c = GetParam();
    const LogLine line(c.input);
    EXPECT_EQ(line.Text(), c.display);
    EXPECT_EQ(line.Length(), static_cast<std::int32_t>(c.display.size()));
    EXPECT_STREQ(line.CStr(), c.display.c_str());
    Changes got;
    std::int32_t previous = -2;
    for (const ColourChangeAt& entry : line.Changes()) {
        EXPECT_LT(previous, entry.position) << "changes out of order";
        previous = entry.position;
        got.emplace(entry.position, entry.change);
    }
    EXPECT_EQ(got.size(), c.changes.size());
    for (const auto& [pos, change] : c.changes) {
        auto it = got.find(pos);
        ASSERT_NE(it, got.end()) << "no change at " << pos;
        EXPECT_EQ(it->second.background, change.background) << "background at " << pos;
        EXPECT_EQ(it->second.text, change.text) << "text colour at " << pos;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LogLine, ParseTable,
    ::testing::Values(
        // Examples of the log's colour-code convention.
        ParseCase{"RedMessage", C + "04Error" + C, "Error", {{0, {-1, 4}}}},
        ParseCase{"TextAndBackground", C + "12,08Note", "Note", {{0, {8, 12}}}},
        ParseCase{"CommaWithoutDigit", C + "4,x", ",x", {{0, {-1, 4}}}},
        ParseCase{"NumberOutOfRange", C + "25abc", "abc", {}},
        ParseCase{"LoneCodeResets", "abc" + C + "x", "abcx", {{3, {-1, -1}}}},
        ParseCase{"ClosedCodeColoursLastCharacter", "ab" + C + "03" + C + "cd", "abcd", {{1, {-1, 3}}, {2, {-1, -1}}}},
        ParseCase{"CodeBeforeFirstCharacter", C + "05" + C + "x", "x", {{-1, {-1, 5}}, {0, {-1, -1}}}},
        ParseCase{"TabIsFourSpaces", "a\tb", "a    b", {}},
        ParseCase{"CodeOnlyGivesEmptyLine", C + "04" + C, "", {{-1, {-1, 4}}}},
        ParseCase{"TabInsideOpenCode", C + "\t5x", "    x", {{4, {-1, 5}}}},
        ParseCase{"LineBreaksRemoved", "one\r\ntwo\r", "onetwo", {}},
        ParseCase{"AtMostTwoDigits", C + "04123", "123", {{0, {-1, 4}}}},
        // Codes at the start, middle and end of a line.
        ParseCase{"CodeInMiddle", "ab" + C + "09cd" + C + "ef", "abcdef", {{2, {-1, 9}}, {4, {-1, -1}}}},
        ParseCase{"OpenCodeAtEnd", "abc" + C + "04", "abc", {}},
        ParseCase{"OpenMarkerAtEnd", "abc" + C, "abc", {}},
        ParseCase{"OpenCommaAtEnd", "abc" + C + "4,", "abc", {}},
        ParseCase{"OpenBackgroundAtEnd", "abc" + C + "4,1", "abc", {}},
        ParseCase{"OneDigitAtEnd", "abc" + C + "4", "abc", {}},
        // The comma form.
        ParseCase{"TwoDigitBackground", C + "4,12x", "x", {{0, {12, 4}}}},
        ParseCase{"OneDigitBackground", C + "4,1x", "x", {{0, {1, 4}}}},
        ParseCase{"OneDigitBackgroundClosed", C + "4,1" + C + "x", "x", {{-1, {1, 4}}, {0, {-1, -1}}}},
        ParseCase{"CommaThenCode", C + "4," + C + "x", ",x", {{0, {-1, 4}}, {1, {-1, -1}}}},
        ParseCase{"SecondCommaIsText", C + "3,4,x", ",x", {{0, {4, 3}}}},
        ParseCase{"TextOutOfRangeWithBackground", C + "16,02x", "x", {}},
        ParseCase{"BackgroundOutOfRange", C + "04,99x", "x", {}},
        ParseCase{"BackgroundSixteen", C + "4,16x", "x", {}},
        ParseCase{"OutOfRangeCommaIsTextWithoutColour", C + "99,x", ",x", {}},
        // Dropped bytes and tabs inside codes.
        ParseCase{"DroppedByteBetweenDigits", C + "0\x02" "4x", "x", {{0, {-1, 4}}}},
        ParseCase{"DroppedBytesAroundComma", C + "\r\n12,\x1f" "03y", "y", {{0, {3, 12}}}},
        ParseCase{"TabBetweenDigits", C + "1\t2x", "    x", {{4, {-1, 12}}}},
        ParseCase{"TabAfterComma", C + "4,\t1x", "    x", {{4, {1, 4}}}},
        // Further transitions.
        ParseCase{"FirstChangeAtPositionWins", "a" + C + "04" + C + "05" + C + "x", "ax", {{0, {-1, 4}}, {1, {-1, -1}}}},
        ParseCase{"ThirdDigitIsText", C + "123", "3", {{0, {-1, 12}}}},
        ParseCase{"DoubleMarker", C + C + "x", "x", {{-1, {-1, -1}}, {0, {-1, -1}}}},
        ParseCase{"OneDigitClosed", "a" + C + "7" + C + "b", "ab", {{0, {-1, 7}}, {1, {-1, -1}}}},
        ParseCase{"TwoDigitsClosedOutOfRange", "a" + C + "44" + C + "b", "ab", {{1, {-1, -1}}}},
        ParseCase{"BackgroundClosedAtEnd", "ab" + C + "2,03" + C, "ab", {{2, {3, 2}}}},
        ParseCase{"ZeroIsAColour", C + "00,01x", "x", {{0, {1, 0}}}},
        ParseCase{"ResetRecordedBeforeAnEarlierChange", "x" + C + "4,12" + C + C + "y", "xy",
                  {{0, {-1, -1}}, {1, {12, 4}}}},
        ParseCase{"OnlyDroppedBytes", "\r\n\x02\x1f", "", {}},
        ParseCase{"NonDigitAfterMarkerIsText", C + "-1x", "-1x", {{0, {-1, -1}}}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(LogLine, ColoursFollowTheLastChangeAtOrBeforeAPosition) {
    const std::string c = C;
    const LogLine line("ab" + c + "03" + c + "cd" + c + "12,08ef");
    // Display "abcdef": colour 3 at 1, defaults at 2, 12 on 8 from 4.
    EXPECT_EQ(line.ColoursAt(0), (Colours{kLogDefaultText, kLogDefaultBackground}));
    EXPECT_EQ(line.ColoursAt(1), (Colours{kLogPalette[3], kLogDefaultBackground}));
    EXPECT_EQ(line.ColoursAt(2), (Colours{kLogDefaultText, kLogDefaultBackground}));
    EXPECT_EQ(line.ColoursAt(3), (Colours{kLogDefaultText, kLogDefaultBackground}));
    EXPECT_EQ(line.ColoursAt(4), (Colours{kLogPalette[12], kLogPalette[8]}));
    EXPECT_EQ(line.ColoursAt(5), (Colours{kLogPalette[12], kLogPalette[8]}));
    EXPECT_EQ(line.ColoursAt(-1), (Colours{kLogDefaultText, kLogDefaultBackground}));

    EXPECT_EQ(line.DistanceToNextChange(-1), 2);
    EXPECT_EQ(line.DistanceToNextChange(0), 1);
    EXPECT_EQ(line.DistanceToNextChange(1), 1);
    EXPECT_EQ(line.DistanceToNextChange(2), 2);
    EXPECT_EQ(line.DistanceToNextChange(4), -1);
    EXPECT_EQ(line.DistanceToNextChange(100), -1);
}

TEST(LogLine, OutOfRangeCodeKeepsTheColoursInForce) {
    const std::string c = C;
    const LogLine line(c + "04ab" + c + "25cd");
    EXPECT_EQ(line.Text(), "abcd");
    EXPECT_EQ(line.ColoursAt(3).text, kLogPalette[4]);
}

TEST(LogLine, ChangeAtMinusOneColoursFromTheFirstCharacter) {
    const std::string c = C;
    const LogLine line(c + "4,1" + c + c + "9x");
    // The 4-on-1 change sits at -1; the lone marker's reset at -1 is ignored (first wins).
    EXPECT_EQ(line.Text(), "x");
    EXPECT_EQ(line.ColoursAt(0), (Colours{kLogPalette[9], kLogDefaultBackground}));
    EXPECT_EQ(line.NumbersAt(-1), (ColourChange{1, 4}));
}

TEST(LogLine, PaletteValuesAreColourReferences) {
    EXPECT_EQ(kLogPalette[2], 0x7B0000u);
    EXPECT_EQ(kLogPalette[4], 0xFFu);
    EXPECT_EQ(kLogPalette[10], 0x949200u);
    EXPECT_EQ(kLogPalette[14], 0x7B7D7Bu);
    EXPECT_EQ(kLogDefaultBackground, 0x400000u);
    EXPECT_EQ(RedOf(kLogPalette[10]), 0u);
    EXPECT_EQ(GreenOf(kLogPalette[10]), 146u);
    EXPECT_EQ(BlueOf(kLogPalette[10]), 148u);
    EXPECT_EQ(PaletteColour(-1, kLogDefaultText), kLogDefaultText);
}

TEST(LogLine, SegmentsSplitAtEveryChange) {
    const std::string c = C;
    const LogLine line(c + "01,04AAA" + c + "01,09BBB" + c + "01,12CCC");
    const auto segs = line.Segments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].start, 0);
    EXPECT_EQ(segs[1].start, 3);
    EXPECT_EQ(segs[2].start, 6);
    EXPECT_EQ(segs[2].length, 3);
    EXPECT_EQ(segs[1].colours.background, kLogPalette[9]);
    EXPECT_EQ(segs[2].numbers, (ColourChange{12, 1}));

    // A part of the line keeps the colours in force at its start.
    const auto part = line.Segments(4, 4);
    ASSERT_EQ(part.size(), 2u);
    EXPECT_EQ(part[0].start, 4);
    EXPECT_EQ(part[0].length, 2);
    EXPECT_EQ(part[0].colours.background, kLogPalette[9]);
    EXPECT_EQ(part[1].length, 2);
    EXPECT_TRUE(LogLine("").Segments().empty());
}

TEST(LogLine, ChangeInsideAMultiByteCharacterColoursTheWholeCharacter) {
    const std::string c = C;
    // "a" U+00E9 "b": the closed code records colour 3 at the last byte of the é.
    const LogLine line("a\xC3\xA9" + c + "03" + c + "b");
    ASSERT_EQ(line.Text(), "a\xC3\xA9" "b");
    EXPECT_EQ(line.Changes().front().position, 2);
    const auto segs = line.Segments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].length, 1);
    EXPECT_EQ(segs[1].start, 1);
    EXPECT_EQ(segs[1].length, 2);
    EXPECT_EQ(segs[1].numbers.text, 3);
    EXPECT_EQ(segs[2].numbers.text, -1);

    // A range that starts inside the character is widened to the whole character.
    const auto part = line.Segments(2, 1);
    ASSERT_EQ(part.size(), 1u);
    EXPECT_EQ(part[0].start, 1);
    EXPECT_EQ(part[0].length, 2);
}

TEST(LogLine, EuroSignInsideCodeStaysWhole) {
    const std::string c = C;
    // 3-byte and 4-byte characters with a change right behind each of them.
    const LogLine line("\xE2\x82\xAC" + c + "05" + c + "\xF0\x9F\x98\x80" + c + "06" + c);
    const auto segs = line.Segments();
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0].length, 3);
    EXPECT_EQ(segs[0].numbers.text, 5);
    EXPECT_EQ(segs[1].start, 3);
    EXPECT_EQ(segs[1].length, 4);
    EXPECT_EQ(segs[1].numbers.text, 6);
}

}  // namespace
}  // namespace veltmoor
