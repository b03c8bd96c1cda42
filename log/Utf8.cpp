#include "log/Utf8.h"

namespace veltmoor::utf8 {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0u) == 0x80u; }

// Length of a well-formed sequence at pos, with its code point; 0 when malformed.
// Overlong forms, surrogates and values above U+10FFFF are malformed, as in
// every strict decoder, so text and measure agree with what is drawn.
int WellFormed(std::string_view text, std::int32_t pos, char32_t* out) {
    const auto size = static_cast<std::int32_t>(text.size());
    const auto b0 = static_cast<unsigned char>(text[static_cast<size_t>(pos)]);
    if (b0 < 0x80u) {
        *out = b0;
        return 1;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0u) == 0xC0u) {
        len = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0u) == 0xE0u) {
        len = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8u) == 0xF0u) {
        len = 4, cp = b0 & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (size - pos < len) return 0;
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(text[static_cast<size_t>(pos + i)]);
        if (!IsContinuation(b)) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *out = cp;
    return len;
}

}  // namespace

int CharLength(std::string_view text, std::int32_t pos) {
    if (pos < 0 || static_cast<size_t>(pos) >= text.size()) return 0;
    char32_t cp = 0;
    const int len = WellFormed(text, pos, &cp);
    return len == 0 ? 1 : len;
}

char32_t Decode(std::string_view text, std::int32_t pos) {
    if (pos < 0 || static_cast<size_t>(pos) >= text.size()) return 0xFFFD;
    char32_t cp = 0;
    return WellFormed(text, pos, &cp) == 0 ? 0xFFFD : cp;
}

std::int32_t CharStart(std::string_view text, std::int32_t pos) {
    if (pos <= 0 || static_cast<size_t>(pos) >= text.size()) return pos;
    if (!IsContinuation(static_cast<unsigned char>(text[static_cast<size_t>(pos)]))) return pos;
    // A continuation byte belongs to the well-formed sequence that starts at most
    // three bytes before it and covers it; otherwise it stands alone.
    for (std::int32_t back = 1; back <= 3 && pos - back >= 0; ++back) {
        const std::int32_t start = pos - back;
        if (IsContinuation(static_cast<unsigned char>(text[static_cast<size_t>(start)]))) continue;
        char32_t cp = 0;
        const int len = WellFormed(text, start, &cp);
        return len > back ? start : pos;
    }
    return pos;
}

std::int32_t NextBoundary(std::string_view text, std::int32_t pos) {
    const std::int32_t start = CharStart(text, pos);
    if (start == pos) return pos;
    return start + CharLength(text, start);
}

}  // namespace veltmoor::utf8
