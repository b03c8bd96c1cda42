// The ADOX type number for a column as an ODBC catalog reports it (its SQL data
// type code and the data source's type name). Unknown types read as adVariant.
#pragma once

#include <string>

#include "db/ado/Connection.h"

namespace veltmoor::ado::odbc {

DataTypeEnum AdoxType(int sqlType, const std::string& typeName);

// Whether a type's defined size is its length (text and binary types); other
// types report a defined size of 0.
bool HasLength(DataTypeEnum type);

// The defined size of a column of a type with a length, from the size the driver
// reports: the unbounded (max) types, reported with 0, read as the largest size of
// their kind, as the OLE DB providers report them, so that a copy of the column is
// made unbounded again and not cut short.
long DefinedSize(DataTypeEnum type, long reported);

}  // namespace veltmoor::ado::odbc
