#include "base/CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace veltmoor {

CString Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    CString out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed));
        // vsnprintf writes the terminator into the string's own spare byte.
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    }
    va_end(args);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

CString ToUpper(std::string_view text) {
    CString out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

CString ToLower(std::string_view text) {
    CString out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

CString Trim(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
    return CString(text);
}

int Atoi(const CString& text) { return std::atoi(text.c_str()); }

}  // namespace veltmoor
