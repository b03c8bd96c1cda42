#include "db/ado/odbc/OdbcApi.h"

#include <algorithm>

namespace veltmoor::ado::odbc {

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent, const std::string& source) : type_(type) {
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
    if (Succeeded(rc)) return;
    handle_ = SQL_NULL_HANDLE;
    // A refused handle carries no records of its own; the parent may.
    std::vector<DiagRecord> records;
    if (type == SQL_HANDLE_DBC)
        records = CollectDiagnostics(SQL_HANDLE_ENV, parent);
    else if (type == SQL_HANDLE_STMT)
        records = CollectDiagnostics(SQL_HANDLE_DBC, parent);
    throw MakeOdbcError(records, source, "SQLAllocHandle");
}

Handle::~Handle() {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
}

std::vector<DiagRecord> CollectDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<DiagRecord> records;
    if (handle == SQL_NULL_HANDLE) return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::string message(512, '\0');
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(type, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                                     static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            // The message was longer than the buffer: ask again with room for all of it.
            message.assign(static_cast<size_t>(length) + 1, '\0');
            rc = SQLGetDiagRec(type, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                               static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!Succeeded(rc)) break;
        message.resize(std::min<size_t>(static_cast<size_t>(length), message.size()));
        while (!message.empty() && (message.back() == '\0' || message.back() == '\n' || message.back() == '\r'))
            message.pop_back();
        records.push_back(
            DiagRecord{reinterpret_cast<const char*>(state), static_cast<long>(native), std::move(message)});
    }
    return records;
}

SQLRETURN Check(SQLRETURN rc, const Handle& handle, const std::string& source, const char* call) {
    if (Succeeded(rc) || rc == SQL_NO_DATA) return rc;
    throw MakeOdbcError(CollectDiagnostics(handle.type(), handle.get()), source, call);
}

}  // namespace veltmoor::ado::odbc
