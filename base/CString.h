// Text as the program handles it: byte strings (UTF-8 on this platform) built
// printf-style. CString keeps the name the rest of the code uses for text.
#pragma once

#include <string>
#include <string_view>

namespace veltmoor {

using CString = std::string;

// printf-style formatting into a new string; never truncates.
CString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// ASCII case folding of one byte, the same in every locale (a Turkish one folds
// 'i' to a dotted capital I, which a byte cannot hold); other bytes unchanged.
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
// Space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whole-string comparison without regard to ASCII letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// ASCII upper or lower case of a text (other bytes unchanged).
CString ToUpper(std::string_view text);
CString ToLower(std::string_view text);

// The text without the blanks (spaces, tabs, line ends) at either end.
CString Trim(std::string_view text);

// The standard atoi conversion on a text (leading blanks, sign, digits).
int Atoi(const CString& text);

}  // namespace veltmoor
