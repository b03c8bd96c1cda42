// An ADO connection string: "key=value;" pairs, keys without regard to case,
// values optionally quoted ('...' or "..." with the quote doubled inside, or
// {...} as ODBC writes driver names). Parse raises _com_error (E_INVALIDARG) with a
// description naming what is wrong.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace veltmoor::ado {

class ConnectionString {
public:
    static ConnectionString Parse(const std::string& text);

    // The value of the first pair with that key (without regard to case).
    std::optional<std::string> Get(const std::string& key) const;
    // The first present value among several synonyms.
    std::optional<std::string> GetAny(std::initializer_list<const char*> keys) const;
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace veltmoor::ado
