#include "log/LogModel.h"

#include <algorithm>
#include <limits>

#include "log/Utf8.h"

namespace veltmoor {

namespace {

constexpr char kColourCode = 0x03;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Positions are 32-bit; a text is cut where its display form could overflow them.
constexpr size_t kMaxInputBytes = (static_cast<size_t>(std::numeric_limits<std::int32_t>::max()) - 16) / 4;

// The colour-code state machine over one text, one byte at a time.
class Parser {
public:
    Parser(std::string& out, std::vector<ColourChangeAt>& changes) : out_(out), changes_(changes) {}

    void Feed(char c) {
        // Dropped bytes and tabs leave the state alone: a code that is open stays open.
        if (c == '\r' || c == '\n' || c == 0x02 || c == 0x1F) return;
        if (c == '\t') {
            out_.append(LogModel::kTabWidth, ' ');
            return;
        }
        switch (state_) {
        case 0:
            if (c == kColourCode) state_ = 1;
            else Store(c);
            break;
        case 1:  // after 0x03
            if (IsDigit(c)) {
                digit_ = c - '0';
                state_ = 2;
            } else if (c == kColourCode) {
                Record(Last(), -1, -1);
            } else {
                Record(Next(), -1, -1);
                Store(c);
                state_ = 0;
            }
            break;
        case 2:  // one digit
            if (IsDigit(c)) {
                text_ = digit_ * 10 + (c - '0');
                state_ = 3;
            } else {
                text_ = digit_;
                CloseText(c);
            }
            break;
        case 3:  // two digits
            CloseText(c);
            break;
        case 4:  // after the comma
            if (IsDigit(c)) {
                digit_ = c - '0';
                state_ = 5;
            } else {
                // Not a background after all: the comma is text in the code's colour.
                RecordText(Next());
                Store(',');
                if (c == kColourCode) {
                    state_ = 1;
                } else {
                    Store(c);
                    state_ = 0;
                }
            }
            break;
        case 5:  // one background digit
            if (IsDigit(c)) {
                RecordBoth(digit_ * 10 + (c - '0'), Next());
                state_ = 0;
            } else if (c == kColourCode) {
                RecordBoth(digit_, Last());
                state_ = 1;
            } else {
                RecordBoth(digit_, Next());
                Store(c);
                state_ = 0;
            }
            break;
        }
    }
    // A code still open at the end records nothing: the closing 0x03 of a message is inert.

private:
    // The text number is complete (states 2 and 3); c ends the code or starts a background.
    void CloseText(char c) {
        if (c == ',') {
            state_ = 4;
        } else if (c == kColourCode) {
            RecordText(Last());
            state_ = 1;
        } else {
            RecordText(Next());
            Store(c);
            state_ = 0;
        }
    }
    void RecordText(std::int32_t pos) {
        if (IsValidColourNumber(text_)) Record(pos, -1, text_);
    }
    void RecordBoth(std::int32_t background, std::int32_t pos) {
        if (IsValidColourNumber(background) && IsValidColourNumber(text_)) Record(pos, background, text_);
    }
    // Inserts a change unless one is already recorded at the position: the first one wins.
    void Record(std::int32_t pos, std::int32_t background, std::int32_t text) {
        auto it = std::lower_bound(changes_.begin(), changes_.end(), pos,
                                   [](const ColourChangeAt& c, std::int32_t p) { return c.position < p; });
        if (it != changes_.end() && it->position == pos) return;
        changes_.insert(it, ColourChangeAt{pos, ColourChange{background, text}});
    }
    void Store(char c) { out_.push_back(c); }
    std::int32_t Next() const { return static_cast<std::int32_t>(out_.size()); }
    std::int32_t Last() const { return Next() - 1; }

    std::string& out_;
    std::vector<ColourChangeAt>& changes_;
    int state_ = 0;
    int digit_ = 0;
    std::int32_t text_ = -1;
};

}  // namespace

LogLine::LogLine(std::string_view text) {
    if (text.size() > kMaxInputBytes) text = text.substr(0, kMaxInputBytes);
    // Most lines hold no colour code, tab, line break or dropped byte: kept as they are.
    const auto special = [](char c) { return c == kColourCode || c == '\t' || c == '\r' || c == '\n' || c == 0x02 || c == 0x1F; };
    if (std::none_of(text.begin(), text.end(), special)) {
        text_.assign(text);
        return;
    }
    // Allocated once at its final size at most: a tab makes four characters.
    text_.reserve(text.size() + (LogModel::kTabWidth - 1) * static_cast<size_t>(std::count(text.begin(), text.end(), '\t')));
    Parser parser(text_, changes_);
    for (char c : text) parser.Feed(c);
}

namespace {

// The first change with a position greater than pos.
const ColourChangeAt* FirstAfter(std::span<const ColourChangeAt> changes, std::int32_t pos) {
    return std::upper_bound(changes.data(), changes.data() + changes.size(), pos,
                            [](std::int32_t p, const ColourChangeAt& c) { return p < c.position; });
}

Colours Resolved(const ColourChange& numbers) {
    return {PaletteColour(numbers.text, kLogDefaultText), PaletteColour(numbers.background, kLogDefaultBackground)};
}

}  // namespace

ColourChange LogLine::NumbersAt(std::int32_t pos) const {
    const auto changes = Changes();
    const ColourChangeAt* it = FirstAfter(changes, pos);
    if (it == changes.data()) return {};
    return std::prev(it)->change;
}

Colours LogLine::ColoursAt(std::int32_t pos) const { return Resolved(NumbersAt(pos)); }

std::int32_t LogLine::DistanceToNextChange(std::int32_t pos) const {
    const auto changes = Changes();
    const ColourChangeAt* it = FirstAfter(changes, pos);
    return it == changes.data() + changes.size() ? -1 : it->position - pos;
}

std::vector<ColourSegment> LogLine::Segments(std::int32_t start, std::int32_t count) const {
    std::vector<ColourSegment> out;
    const std::string_view text = Text();
    const std::int32_t length = Length();
    // A range that begins or ends inside a character is widened to whole characters.
    std::int32_t pos = std::clamp(start, 0, length);
    const std::int32_t end = utf8::NextBoundary(text, pos + std::clamp(count, 0, length - pos));
    pos = utf8::CharStart(text, pos);
    while (pos < end) {
        // The colours of a character are those in force at its last byte; the run
        // ends at the start of the character that holds the next change.
        const std::int32_t lastByte = pos + utf8::CharLength(text, pos) - 1;
        const ColourChange numbers = NumbersAt(lastByte);
        const std::int32_t distance = DistanceToNextChange(lastByte);
        std::int32_t stop = end;
        if (distance != -1) stop = std::min(end, utf8::CharStart(text, lastByte + distance));
        stop = std::max(stop, lastByte + 1);
        stop = std::min(stop, end);
        ColourSegment seg;
        seg.start = pos;
        seg.length = stop - pos;
        seg.numbers = numbers;
        seg.colours = Resolved(numbers);
        out.push_back(seg);
        pos = stop;
    }
    return out;
}

const LogLine* LogModel::AddLine(std::string_view text) {
    if (text.empty()) return nullptr;
    if (lines_.size() > kMaxLines) lines_.erase(lines_.begin(), lines_.begin() + kDiscardLines);
    return &lines_.emplace_back(text);
}

CString InColour(int colour, const CString& text) { return Format("\x03%02d%s\x03", colour, text.c_str()); }

void LogModel::Clear() { lines_.clear(); }

CString LogModel::GetText() const {
    size_t size = 0;
    for (const LogLine& line : lines_) size += static_cast<size_t>(line.Length()) + 2;
    CString out;
    out.reserve(size);
    for (const LogLine& line : lines_) {
        out.append(line.Text());
        out.append("\r\n");
    }
    return out;
}

}  // namespace veltmoor
