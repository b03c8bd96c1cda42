// The log's text model, free of any window: LogLine (one parsed line with its
// colour changes) and LogModel (the line store with its 2000/1000 limit). The
// log widget, veltmoor-cli and the tests read lines and colour segments from here:
//
//   for (const LogLine& line : model.Lines())
//       for (const ColourSegment& run : line.Segments())
//           show(line.Text().substr(run.start, run.length), run.numbers, run.colours);
//
// (colour numbers index kLogPalette; RedOf/GreenOf/BlueOf split a colour.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/CString.h"
#include "log/LogColours.h"

namespace veltmoor {

// A change of colours inside a line: palette numbers 0..15, -1 for the default.
struct ColourChange {
    std::int32_t background = -1;
    std::int32_t text = -1;
    bool operator==(const ColourChange&) const = default;
};

// Resolved colours of a character as colour references (0x00BBGGRR).
struct Colours {
    ColourRef text = kLogDefaultText;
    ColourRef background = kLogDefaultBackground;
    bool operator==(const Colours&) const = default;
};

// A run of characters in one colour pair, cut only at UTF-8 character boundaries.
struct ColourSegment {
    std::int32_t start = 0;   // byte position in the display text
    std::int32_t length = 0;  // bytes
    ColourChange numbers;     // palette numbers in force (-1: default)
    Colours colours;          // the same, resolved
};

// One entry of a line's ordered map of colour changes.
struct ColourChangeAt {
    std::int32_t position = 0;  // -1: before the first character
    ColourChange change;
};

// A text in palette colour `colour` (0..15) as a line for AddLine: byte 0x03, the
// colour number in two digits, the text, and 0x03 to return to the default.
CString InColour(int colour, const CString& text);

// One stored line. Built once from the caller's text by the colour-code parser:
// byte 0x03, up to two digits of text colour, optionally ',' and up to two digits
// of background colour. CR, LF, 0x02 and 0x1F are dropped; a tab becomes four
// spaces. Immutable afterwards; owns its display text and its changes.
class LogLine {
public:
    explicit LogLine(std::string_view text);

    // The shown characters: codes and dropped bytes removed, tabs expanded.
    std::string_view Text() const { return text_; }
    const char* CStr() const { return text_.c_str(); }  // NUL-terminated
    std::int32_t Length() const { return static_cast<std::int32_t>(text_.size()); }

    // The colour changes as an ordered map: sorted by position, at most one per
    // position (the first one recorded there).
    std::span<const ColourChangeAt> Changes() const { return changes_; }

    // Palette numbers in force at byte position pos (the change with the greatest
    // position not above pos; -1/-1 when there is none).
    ColourChange NumbersAt(std::int32_t pos) const;
    // The same resolved against the palette and the default colours.
    Colours ColoursAt(std::int32_t pos) const;
    // Smallest change position greater than pos, minus pos; -1 when none follows.
    std::int32_t DistanceToNextChange(std::int32_t pos) const;

    // The runs of [start, start + count) between colour changes, in order; one run
    // per change even when the colours stay the same (drawing measures each run).
    // A character takes the colours in force at its last byte, so a change that
    // falls inside a multi-byte character colours that whole character and no run
    // cuts a character in two.
    std::vector<ColourSegment> Segments() const { return Segments(0, Length()); }
    std::vector<ColourSegment> Segments(std::int32_t start, std::int32_t count) const;

private:
    std::string text_;
    std::vector<ColourChangeAt> changes_;  // a handful per line: a sorted vector serves as the map
};

// The line store, oldest first. Lines are appended, dropped from the front in
// blocks of kDiscardLines once more than kMaxLines are held, or all cleared.
class LogModel {
public:
    static constexpr std::size_t kMaxLines = 2000;
    static constexpr std::size_t kDiscardLines = 1000;
    static constexpr int kTabWidth = 4;

    // Parses text into a new line at the end (trimming first when the store is
    // over its limit). An empty text adds nothing and returns nullptr.
    const LogLine* AddLine(std::string_view text);
    void Clear();

    // Every line's display text followed by "\r\n"; empty for an empty log.
    CString GetText() const;

    // Oldest first; iterate with range-for.
    const std::deque<LogLine>& Lines() const { return lines_; }
    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }

private:
    std::deque<LogLine> lines_;
};

}  // namespace veltmoor
