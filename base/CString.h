// Text as the program handles it: byte strings (UTF-8 on this platform) built
// printf-style. CString keeps the name the rest of the code uses for text.
#pragma once

#include <string>
#include <string_view>

namespace veltmoor {

using CString = std::string;

// printf-style formatting into a new string; never truncates.
CString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Whole-string comparison without regard to ASCII letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// ASCII upper case of a text (other bytes unchanged).
CString ToUpper(std::string_view text);

// The text without the blanks (spaces, tabs, line ends) at either end.
CString Trim(std::string_view text);

// The standard atoi conversion on a text (leading blanks, sign, digits).
int Atoi(const CString& text);

}  // namespace veltmoor
