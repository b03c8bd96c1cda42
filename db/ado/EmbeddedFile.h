// What an embedded database file is, told by its first bytes rather than its name,
// and which file a connection string names. Pure file reading; no errors raised.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/ado/ConnectionString.h"

namespace veltmoor::ado {

// Sqlite: "SQLite format 3\0" at offset 0. Jet3/Jet4: "Standard Jet DB\0" at offset 4
// with version byte 0x14 = 0 or 1. Ace: "Standard ACE DB\0", or a Jet header of a
// later version. Other: anything else, including files too short to tell.
enum class EmbeddedFormat { Sqlite, Jet3, Jet4, Ace, Other };

EmbeddedFormat FormatOfHeader(std::string_view firstBytes);
// The format of the file at path; Other when it cannot be read (its provider says why).
EmbeddedFormat FormatOfFile(const std::string& path);

// The file named by "Data Source" (or its synonyms DataSource, DBQ); none when absent.
std::optional<std::string> EmbeddedDataSource(const ConnectionString& cs);

// The way from an Access file to SQLite with Debian's mdbtools, as one clause for a
// message: "convert it with Debian's mdbtools: ...; then name NEW.db as the data source".
std::string MdbToolsConversion(const std::string& path);

}  // namespace veltmoor::ado
