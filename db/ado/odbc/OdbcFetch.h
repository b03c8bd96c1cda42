// Reading ODBC result sets into ResultTable: every row at once, values as
// variants (NULL; whole numbers and decimals without scale as integers; other
// numbers as doubles; bit as truth values; everything else as UTF-8 text).
#pragma once

#include <optional>
#include <string>

#include "db/ado/odbc/OdbcApi.h"
#include "db/ado/odbc/ResultTable.h"

namespace veltmoor::ado::odbc {

// The rest of the statement's current result set; raises on a failing call.
ResultTable FetchAll(const Handle& statement, const std::string& source);

// After an executed statement: the first result set that has columns, read in
// full; nullopt when no result has columns. The results after it are stepped
// over, so that an error in a later statement of a batch still raises.
std::optional<ResultTable> FirstResultSet(const Handle& statement, const std::string& source);

}  // namespace veltmoor::ado::odbc
