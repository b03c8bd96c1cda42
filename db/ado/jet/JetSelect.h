// The one statement form a Jet file answers here: SELECT col[,col...] FROM table,
// names plain or [bracketed], keywords in any case, an optional closing ';'.
// Pure text work; no errors.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltmoor::ado::jet {

struct PlainSelect {
    std::vector<std::string> columns;  // without their brackets
    std::string table;
    bool complete = false;  // false: more follows the table name (WHERE, ORDER BY, ...)
};

// None when the text does not begin with SELECT, a column list, FROM and a name.
std::optional<PlainSelect> ParsePlainSelect(std::string_view sql);

}  // namespace veltmoor::ado::jet
