// ODBC diagnostic records and how they become the one error type: the SQLSTATE
// picks the status code, every record goes into the description as
// "[SQLSTATE] (native code) message". Pure code, no ODBC headers.
#pragma once

#include <string>
#include <vector>

#include "db/ado/Error.h"

namespace veltmoor::ado::odbc {

struct DiagRecord {
    std::string state;  // five-character SQLSTATE
    long native = 0;    // the data source's own error number
    std::string message;
};

// The status code for a SQLSTATE: 42S02 no table, 42000/42S22 errors in the
// command, 23xxx integrity violation, HYT00/HYT01 time-out, anything else E_FAIL.
HRESULT MapSqlState(const std::string& state);

// Every record, "[SQLSTATE] (native code) message", joined by "; ".
std::string DescribeDiagnostics(const std::vector<DiagRecord>& records);

// The error for a failed call: the code of the first record that is not a warning
// (class 01), the source, and the described records (or a note naming the call
// when the driver left no record).
_com_error MakeOdbcError(const std::vector<DiagRecord>& records, const std::string& source, const char* call);

}  // namespace veltmoor::ado::odbc
