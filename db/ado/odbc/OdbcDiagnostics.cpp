#include "db/ado/odbc/OdbcDiagnostics.h"

#include "base/CString.h"

namespace veltmoor::ado::odbc {

HRESULT MapSqlState(const std::string& state) {
    const std::string s = ToUpper(state);
    // The ODBC 2 spellings (S0002, 37000, S1T00) still come from older drivers.
    if (s == "42S02" || s == "S0002") return hr::kNoTable;
    if (s == "42000" || s == "42S22" || s == "S0022" || s == "37000") return hr::kErrorsInCommand;
    if (s.rfind("23", 0) == 0) return hr::kIntegrityViolation;
    if (s == "HYT00" || s == "HYT01" || s == "S1T00") return hr::kTimeout;
    return hr::kFail;  // 08xxx (connection), IM002 (no such data source) and the rest
}

std::string DescribeDiagnostics(const std::vector<DiagRecord>& records) {
    std::string out;
    for (const DiagRecord& r : records) {
        if (!out.empty()) out += "; ";
        out += Format("[%s] (%ld) %s", r.state.c_str(), r.native, r.message.c_str());
    }
    return out;
}

_com_error MakeOdbcError(const std::vector<DiagRecord>& records, const std::string& source, const char* call) {
    if (records.empty()) return _com_error(hr::kFail, source, Format("%s failed without diagnostic information", call));
    HRESULT code = MapSqlState(records.front().state);
    for (const DiagRecord& r : records) {
        if (r.state.rfind("01", 0) != 0) {
            code = MapSqlState(r.state);
            break;
        }
    }
    return _com_error(code, source, DescribeDiagnostics(records));
}

}  // namespace veltmoor::ado::odbc
