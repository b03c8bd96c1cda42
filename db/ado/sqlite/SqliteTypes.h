// Between SQLite's declared column types and default texts and the catalog's
// ADOX types and default variants. Reading never fails (unknown declared types
// follow SQLite's affinity rules); writing raises _com_error for what SQLite
// cannot store (a type the catalog does not know, a default that is not finite).
#pragma once

#include <string>
#include <string_view>

#include "db/ado/Connection.h"

namespace veltmoor::ado::sqlite {

struct MappedType {
    DataTypeEnum type = adVariant;
    long definedSize = 0;  // text and binary columns
    int precision = 0;     // decimal columns
    int scale = 0;
};

// The ADOX type of a declared type: "INTEGER" -> adInteger, "NVARCHAR(50)" ->
// adVarWChar 50, "TEXT" -> adLongVarWChar, "DECIMAL(10,2)" -> adNumeric 10/2, ...
MappedType MapDeclaredType(std::string_view declared);

// The value of a column default as SQLite reports it (pragma table_info's
// dflt_value): null pointer -> empty, NULL -> null, numbers, 'text' without its
// quotes, TRUE/FALSE -> booleans, any other expression -> its text.
_variant_t ParseDefault(const char* dflt);

// The SQL of a default for a variant ("" for the empty variant: no default).
std::string DefaultSql(const _variant_t& value);

}  // namespace veltmoor::ado::sqlite
