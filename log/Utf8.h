// Character boundaries in UTF-8 display text. The log stores and counts bytes;
// drawing, measuring and selecting use these helpers so that a multi-byte
// character is never cut in two. Malformed bytes count as one character each.
#pragma once

#include <cstdint>
#include <string_view>

namespace veltmoor::utf8 {

// Length in bytes of the character that starts at text[pos] (1 for a malformed
// or truncated sequence, 0 at or past the end).
int CharLength(std::string_view text, std::int32_t pos);

// The code point of the character at text[pos]; U+FFFD for a malformed byte.
char32_t Decode(std::string_view text, std::int32_t pos);

// The start of the character that contains byte pos (pos itself on a boundary).
// Positions outside the text are returned unchanged.
std::int32_t CharStart(std::string_view text, std::int32_t pos);

// The first boundary at or after pos (pos itself on a boundary; the text
// length for positions inside the last character).
std::int32_t NextBoundary(std::string_view text, std::int32_t pos);

}  // namespace veltmoor::utf8
