// Names of the objects the repairs create, taken from a freshly generated GUID
// (its first 32-bit field as eight upper-case hexadecimal digits).
#pragma once

#include "base/CString.h"
#include "schema/Guid.h"

namespace veltmoor::schema {

// A GUID from the source; all zero when there is no source (as a generator that failed).
Guid NewGuid(const GuidSource& source);

// "DF__<table>__BLOCK__XXXXXXXX": the name of a DEFAULT constraint; no suffix when
// the GUID is all zero.
CString DefaultConstraintName(const CString& table, const Guid& guid);

// "<table>_XXXXXXXX": the name of a duplicate table; "<table>_tmp" when the GUID is all zero.
CString DuplicateTableName(const CString& table, const Guid& guid);

}  // namespace veltmoor::schema
