// Text helpers the tests share.
#pragma once

#include <string>

namespace veltmoor::test {

// The text with every `from` replaced by `to`.
inline std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace veltmoor::test
