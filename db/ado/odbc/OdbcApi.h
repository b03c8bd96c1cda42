// The unixODBC C API as the provider uses it: handles that free themselves and a
// check that turns a failing call into _com_error with every diagnostic record.
// Only files of this folder include it.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "db/ado/odbc/OdbcDiagnostics.h"

namespace veltmoor::ado::odbc {

// One ODBC handle (environment, connection or statement), freed on destruction.
// Not copyable; the parent handle must outlive it.
class Handle {
public:
    // Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for an
    // environment); raises with `source` when the driver manager refuses.
    Handle(SQLSMALLINT type, SQLHANDLE parent, const std::string& source);
    ~Handle();
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const noexcept { return handle_; }
    SQLSMALLINT type() const noexcept { return type_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// Every diagnostic record the handle holds after the last call.
std::vector<DiagRecord> CollectDiagnostics(SQLSMALLINT type, SQLHANDLE handle);

// Passes the success codes (and SQL_NO_DATA) through; raises _com_error for
// SQL_ERROR, SQL_INVALID_HANDLE and the rest, naming `call` when there is no record.
SQLRETURN Check(SQLRETURN rc, const Handle& handle, const std::string& source, const char* call);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The ODBC text arguments are unsigned; our strings are not.
inline SQLCHAR* Text(const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); }

}  // namespace veltmoor::ado::odbc
