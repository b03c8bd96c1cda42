#include "log/LogModel.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

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
constexpr size_t kMaxInputBytes = (static_cast<size_t>(std::numeric_limits<std::int32_t>::max()) - 16) / 4;

// Flags (bit 7 of the byte) the bytes of a word, read in memory order, that lie
// below 0x20; every byte the parser treats specially does. A borrow can flag a
// byte falsely only after a real match, so the lowest flag is always exact.
std::uint64_t ControlMask(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    return (v - kOnes * 0x20) & ~v & (kOnes * 0x80);
}

// Copies plain text from p to out[len...] a word at a time, up to the next byte
// that the state machine must see or the end; returns where it stopped. Control
// bytes that are plain (0x01, 0x1B...) are copied on the way. Whole words are
// stored even for a short tail: the output has room for eight bytes past its end.
const char* CopyPlain(const char* const begin, const char* p, const char* const end, char* out, std::int32_t& len) {
    constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
    while (p < end) {
        const auto rest = static_cast<size_t>(end - p);
        std::uint64_t word;
        size_t n = 8;
        if (rest >= 8) {
            std::memcpy(&word, p, 8);
        } else {
            n = rest;
            if constexpr (std::endian::native == std::endian::little) {
                if (end - begin >= 8) {
                    // Read the text's last eight bytes and keep the unread ones,
                    // padded with spaces (which are plain), without a partial load.
                    std::memcpy(&word, end - 8, 8);
                    word = (word >> (8 * (8 - n))) | (kSpaces << (8 * n));
                } else {
                    word = kSpaces;
                    std::memcpy(&word, p, n);
                }
            } else {
                word = kSpaces;
                std::memcpy(&word, p, n);
            }
        }
        std::memcpy(out + len, &word, 8);
        const std::uint64_t mask = ControlMask(word);
        if (mask == 0) {
            len += static_cast<std::int32_t>(n);
            p += n;
            continue;
        }
        const auto first = static_cast<size_t>(std::countr_zero(mask) / 8);
        len += static_cast<std::int32_t>(first);
        p += first;
        if (ClassOf(*p) != kPlain) return p;
        ++len;  // a control byte without meaning to the parser: keep it
        ++p;
    }
    return p;
}

// The parser writes into scratch space sized for the worst case (a tab makes four
// characters) and the line then takes exactly what it needs in one allocation.
struct Scratch {
    std::unique_ptr<char[]> text;
    size_t capacity = 0;
    std::vector<ColourChangeAt> changes;

    char* Reserve(size_t inputBytes) {
        const size_t need = inputBytes * LogModel::kTabWidth + 16;
        if (need > capacity) {
            text = std::make_unique_for_overwrite<char[]>(need);
            capacity = need;
        }
        changes.clear();
        return text.get();
    }
};

// Inserts a change unless one is already recorded at the position: the first
// change at a position wins. Changes mostly arrive in order, so this appends.
void Record(std::vector<ColourChangeAt>& changes, std::int32_t pos, std::int32_t background, std::int32_t text) {
    auto it = changes.end();
    while (it != changes.begin() && std::prev(it)->position >= pos) --it;
    if (it != changes.end() && it->position == pos) return;
    changes.insert(it, ColourChangeAt{pos, ColourChange{background, text}});
}

// The colour-code state machine over one text; returns the display length.
std::int32_t Parse(std::string_view in, char* out, std::vector<ColourChangeAt>& changes) {
    std::int32_t len = 0;
    int state = 0;
    int firstDigit = 0;
    std::int32_t textNumber = -1;
    std::int32_t background = -1;

    const char* p = in.data();
    const char* const end = p + in.size();
    auto store = [&](char c) { out[len++] = c; };
    auto record = [&](std::int32_t pos, std::int32_t b, std::int32_t t) { Record(changes, pos, b, t); };

    while (p < end) {
        if (state == 0) {
            p = CopyPlain(in.data(), p, end, out, len);
            if (p == end) break;
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
                record(last, -1, -1);
            } else {
                record(len, -1, -1);
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
                if (IsValidColourNumber(textNumber)) record(last, -1, textNumber);
                state = 1;
            } else {
                textNumber = firstDigit;
                if (IsValidColourNumber(textNumber)) record(len, -1, textNumber);
                store(c);
                state = 0;
            }
            break;
        case 3:
            if (c == kColourCode) {
                if (IsValidColourNumber(textNumber)) record(last, -1, textNumber);
                state = 1;
            } else if (c == ',') {
                state = 4;
            } else {
                if (IsValidColourNumber(textNumber)) record(len, -1, textNumber);
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
                if (IsValidColourNumber(textNumber)) record(len, -1, textNumber);
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
                    record(len, background, textNumber);
                state = 0;
            } else if (c == kColourCode) {
                background = firstDigit;
                if (IsValidColourNumber(background) && IsValidColourNumber(textNumber))
                    record(last, background, textNumber);
                state = 1;
            } else {
                background = firstDigit;
                if (IsValidColourNumber(background) && IsValidColourNumber(textNumber))
                    record(len, background, textNumber);
                store(c);
                state = 0;
            }
            break;
        }
    }
    // A code still open here records nothing: the closing 0x03 of a message is inert.
    return len;
}

}  // namespace

size_t LogLine::ChangesOffset(std::int32_t length) {
    const size_t align = alignof(ColourChangeAt);
    return (static_cast<size_t>(length) + 1 + align - 1) / align * align;
}

LogLine::LogLine(std::string_view text, LineBufferPool* pool) {
    if (text.size() > kMaxInputBytes) text = text.substr(0, kMaxInputBytes);
    thread_local Scratch scratch;
    char* out = scratch.Reserve(text.size());
    length_ = Parse(text, out, scratch.changes);
    changeCount_ = static_cast<std::int32_t>(scratch.changes.size());
    const size_t offset = ChangesOffset(length_);
    capacity_ = offset + scratch.changes.size() * sizeof(ColourChangeAt);
    data_ = pool != nullptr ? pool->Take(capacity_) : std::make_unique_for_overwrite<char[]>(capacity_);
    std::memcpy(data_.get(), out, static_cast<size_t>(length_));
    data_[static_cast<size_t>(length_)] = '\0';
    if (changeCount_ > 0)
        std::memcpy(data_.get() + offset, scratch.changes.data(), scratch.changes.size() * sizeof(ColourChangeAt));
}

std::unique_ptr<char[]> LineBufferPool::Take(size_t& size) {
    const size_t cls = (size + kGranule - 1) / kGranule;
    if (cls == 0 || cls > kClasses) return std::make_unique_for_overwrite<char[]>(size);
    size = cls * kGranule;
    auto& bucket = buckets_[cls - 1];
    if (bucket.empty()) return std::make_unique_for_overwrite<char[]>(size);
    std::unique_ptr<char[]> buffer = std::move(bucket.back());
    bucket.pop_back();
    --kept_;
    return buffer;
}

void LineBufferPool::Give(std::unique_ptr<char[]> buffer, size_t size) {
    if (!buffer || size % kGranule != 0 || size == 0 || size / kGranule > kClasses || kept_ >= kMaxKept) return;
    buckets_[size / kGranule - 1].push_back(std::move(buffer));
    ++kept_;
}

void LineBufferPool::Clear() {
    for (auto& bucket : buckets_) std::vector<std::unique_ptr<char[]>>().swap(bucket);
    kept_ = 0;
}

std::span<const ColourChangeAt> LogLine::Changes() const {
    if (changeCount_ == 0) return {};
    // The allocation is suitably aligned for any type, and the offset keeps that.
    const auto* first = std::launder(reinterpret_cast<const ColourChangeAt*>(data_.get() + ChangesOffset(length_)));
    return {first, static_cast<size_t>(changeCount_)};
}

namespace {

// The first change with a position greater than pos.
const ColourChangeAt* FirstAfter(std::span<const ColourChangeAt> changes, std::int32_t pos) {
    return std::upper_bound(changes.data(), changes.data() + changes.size(), pos,
                            [](std::int32_t p, const ColourChangeAt& c) { return p < c.position; });
}

}  // namespace

ColourChange LogLine::NumbersAt(std::int32_t pos) const {
    const auto changes = Changes();
    const ColourChangeAt* it = FirstAfter(changes, pos);
    if (it == changes.data()) return {};
    return std::prev(it)->change;
}

Colours LogLine::ColoursAt(std::int32_t pos) const {
    const ColourChange n = NumbersAt(pos);
    return {PaletteColour(n.text, kLogDefaultText), PaletteColour(n.background, kLogDefaultBackground)};
}

std::int32_t LogLine::DistanceToNextChange(std::int32_t pos) const {
    const auto changes = Changes();
    const ColourChangeAt* it = FirstAfter(changes, pos);
    return it == changes.data() + changes.size() ? -1 : it->position - pos;
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
        // The discarded lines' buffers serve the lines that replace them.
        for (size_t i = 0; i < kDiscardLines; ++i) pool_.Give(std::move(lines_[i].data_), lines_[i].capacity_);
        lines_.erase(lines_.begin(), lines_.begin() + kDiscardLines);
    }
    return &lines_.emplace_back(text, &pool_);
}

void LogModel::Clear() {
    lines_.clear();
    pool_.Clear();
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
