#include "schema/GeneratedNames.h"

namespace veltmoor::schema {

Guid NewGuid(const GuidSource& source) { return source ? source() : Guid{}; }

CString DefaultConstraintName(const CString& table, const Guid& guid) {
    CString suffix;
    if (!guid.IsZero()) suffix = Format("%08lX", static_cast<unsigned long>(guid.data1));
    return "DF__" + table + "__BLOCK__" + suffix;
}

CString DuplicateTableName(const CString& table, const Guid& guid) {
    if (guid.IsZero()) return table + "_tmp";
    return table + Format("_%08lX", static_cast<unsigned long>(guid.data1));
}

}  // namespace veltmoor::schema
