#include "db/ado/ConnectionString.h"


#include "base/CString.h"
#include "db/ado/Error.h"

namespace veltmoor::ado {

namespace {

[[noreturn]] void Invalid(const std::string& why) {
    throw _com_error(hr::kInvalidArg, "Connection string", "Invalid connection string: " + why);
}

}  // namespace

ConnectionString ConnectionString::Parse(const std::string& text) {
    ConnectionString result;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        // Key: up to '='; a pair without '=' is an error unless it is only blanks.
        const size_t keyStart = i;
        while (i < n && text[i] != '=' && text[i] != ';') ++i;
        std::string key = Trim(std::string_view(text).substr(keyStart, i - keyStart));
        if (i >= n || text[i] == ';') {
            if (!key.empty()) Invalid("\"" + key + "\" has no value (missing '=')");
            ++i;
            continue;
        }
        if (key.empty()) Invalid("a value without a key at position " + std::to_string(keyStart + 1));
        ++i;  // '='
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
        std::string value;
        if (i < n && (text[i] == '\'' || text[i] == '"' || text[i] == '{')) {
            const char open = text[i];
            const char close = open == '{' ? '}' : open;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == close) {
                    if (i + 1 < n && text[i + 1] == close) {  // a doubled quote stands for itself
                        value += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) Invalid("the value of \"" + key + "\" has an unbalanced " + std::string(1, open));
            while (i < n && IsAsciiSpace(text[i])) ++i;
            if (i < n && text[i] != ';') Invalid("text after the quoted value of \"" + key + "\"");
        } else {
            const size_t valueStart = i;
            while (i < n && text[i] != ';') ++i;
            value = Trim(std::string_view(text).substr(valueStart, i - valueStart));
        }
        result.pairs_.emplace_back(std::move(key), std::move(value));
        if (i < n) ++i;  // ';'
    }
    return result;
}

std::optional<std::string> ConnectionString::Get(const std::string& key) const {
    for (const auto& [k, v] : pairs_) {
        if (EqualsNoCase(k, key)) return v;
    }
    return std::nullopt;
}

std::optional<std::string> ConnectionString::GetAny(std::initializer_list<const char*> keys) const {
    for (const char* key : keys) {
        if (auto v = Get(key)) return v;
    }
    return std::nullopt;
}

}  // namespace veltmoor::ado
