#include "log/LogModel.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "log/Utf8.h"

namespace veltmoor {

namespace {

constexpr char kColourCode = 0x03;

enum ByteClass : unsigned char { kPlain = 0, kDropped = 1, kTab = 2, kCode = 3 };

// One table lookup per byte lets the plain-text state copy whole runs at once.
constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> t{};
    t[0x0D] = kDropped;
    t[0x0A] = kDropped;
    t[0x02] = kDropped;
    t[0x1F] = kDropped;
    t[0x09] = kTab;
    t[0x03] = kCode;
    return t;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

ByteClass ClassOf(char c) { return static_cast<ByteClass>(kClasses[static_cast<unsigned char>(c)]); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Positions are 32-bit; a text is cut where its display form could overflow them.
constexpr size_t kMaxInputBytes = (static_cast<size_t>(std::numeric_limits<std::int32_t>::max()) - 1) / 4;

}  // namespace

LogLine::LogLine(std::string_view text) {
    if (text.size() > kMaxInputBytes) text = text.substr(0, kMaxInputBytes);
    const auto tabs = static_cast<size_t>(std::count(text.begin(), text.end(), '\t'));
    // Allocated once at its final size: every byte yields at most one character
    // (the comma of an unfinished code is paid for by the comma byte itself) and
    // a tab four.
    text_ = std::make_unique_for_overwrite<char[]>(text.size() + static_cast<size_t>(LogModel::kTabWidth) * tabs + 1);
    Parse(text);
    text_[static_cast<size_t>(length_)] = '\0';
}

void LogLine::Record(std::int32_t pos, std::int32_t background, std::int32_t textNumber) {
    // emplace keeps an existing change: the first one recorded at a position wins.
    changes_.emplace(pos, ColourChange{background, textNumber});
}

void LogLine::Parse(std::string_view in) {
    char* out = text_.get();
    std::int32_t len = 0;
    int state = 0;
    int firstDigit = 0;
    std::int32_t textNumber = -1;
    std::int32_t background = -1;

    const char* p = in.data();
    const char* const end = p + in.size();
    auto store = [&](char c) { out[len++] = c; };

    while (p < end) {
        if (state == 0) {
            // Plain text: copy the run up to the next byte that needs attention.
            const char* run = p;
            while (p < end && ClassOf(*p) == kPlain) ++p;
            if (p != run) {
                std::memcpy(out + len, run, static_cast<size_t>(p - run));
                len += static_cast<std::int32_t>(p - run);
                if (p == end) break;
            }
        }
        const char c = *p++;
        switch (ClassOf(c)) {
        case kDropped:
            continue;  // a code that is open stays open
        case kTab:
            std::memset(out + len, ' ', LogModel::kTabWidth);
            len += LogModel::kTabWidth;
            continue;
        default:
            break;
        }

        const std::int32_t last = len - 1;
        switch (state) {
        case 0:
            state = 1;  // c is 0x03: every other byte was copied above
            break;
        case 1:
            if (IsDigit(c)) {
                firstDigit = c - '0';
                state = 2;
            } else if (c == kColourCode) {
                Record(last, -1, -1);
            } else {
                Record(len, -1, -1);
                store(c);
                state = 0;
            }
            break;
        case 2:
            if (IsDigit(c)) {
                textNumber = firstDigit * 10 + (c - '0');
                state = 3;
            } else if (c == ',') {
                textNumber = firstDigit;
                state = 4;
            } else if (c == kColourCode) {
                textNumber = firstDigit;
                if (IsValidColourNumber(textNumber)) Record(last, -1, textNumber);
                state = 1;
            } else {
                textNumber = firstDigit;
                if (IsValidColourNumber(textNumber)) Record(len, -1, textNumber);
                store(c);
                state = 0;
            }
            break;
        case 3:
            if (c == kColourCode) {
                if (IsValidColourNumber(textNumber)) Record(last, -1, textNumber);
                state = 1;
            } else if (c == ',') {
                state = 4;
            } else {
                if (IsValidColourNumber(textNumber)) Record(len, -1, textNumber);
                store(c);
                state = 0;
            }
            break;
        case 4:
            if (IsDigit(c)) {
                firstDigit = c - '0';
                state = 5;
            } else {
                // Not a background after all: the comma is text in the code's colour.
                if (IsValidColourNumber(textNumber)) Record(len, -1, textNumber);
                store(',');
                if (c == kColourCode) {
                    state = 1;
                } else {
                    store(c);
                    state = 0;
                }
            }
            break;
        case 5:
            if (IsDigit(c)) {
                background = firstDigit * 10 + (c - '0');
                if (IsValidColourNumber(background) && IsValidColourNumber(textNumber))
                    Record(len, background, textNumber);
                state = 0;
            } else if (c == kColourCode) {
                background = firstDigit;
                if (IsValidColourNumber(background) && IsValidColourNumber(textNumber))
                    Record(last, background, textNumber);
                state = 1;
            } else {
                background = firstDigit;
                if (IsValidColourNumber(background) && IsValidColourNumber(textNumber))
                    Record(len, background, textNumber);
                store(c);
                state = 0;
            }
            break;
        }
    }
    // A code still open here records nothing: the closing 0x03 of a message is inert.
    length_ = len;
}

ColourChange LogLine::NumbersAt(std::int32_t pos) const {
    auto it = changes_.upper_bound(pos);
    if (it == changes_.begin()) return {};
    return std::prev(it)->second;
}

Colours LogLine::ColoursAt(std::int32_t pos) const {
    const ColourChange n = NumbersAt(pos);
    return {PaletteColour(n.text, kLogDefaultText), PaletteColour(n.background, kLogDefaultBackground)};
}

std::int32_t LogLine::DistanceToNextChange(std::int32_t pos) const {
    auto it = changes_.upper_bound(pos);
    return it == changes_.end() ? -1 : it->first - pos;
}

std::vector<ColourSegment> LogLine::Segments(std::int32_t start, std::int32_t count) const {
    std::vector<ColourSegment> out;
    const std::string_view text = Text();
    // A range that begins or ends inside a character is widened to whole characters.
    std::int32_t pos = std::clamp(start, 0, length_);
    const std::int32_t end = utf8::NextBoundary(text, pos + std::clamp(count, 0, length_ - pos));
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
        seg.colours = {PaletteColour(numbers.text, kLogDefaultText),
                       PaletteColour(numbers.background, kLogDefaultBackground)};
        out.push_back(seg);
        pos = stop;
    }
    return out;
}

const LogLine* LogModel::AddLine(std::string_view text) {
    if (text.empty()) return nullptr;
    if (lines_.size() > kMaxLines) {
        auto last = lines_.begin();
        std::advance(last, static_cast<std::ptrdiff_t>(kDiscardLines));
        lines_.erase(lines_.begin(), last);
    }
    return &lines_.emplace_back(text);
}

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
