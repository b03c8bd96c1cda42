#include "db/ado/sqlite/SqliteErrors.h"

#include <sqlite3.h>

#include "base/CString.h"

namespace veltmoor::ado::sqlite {

HRESULT MapResultCode(int resultCode, std::string_view message) {
    switch (resultCode & 0xff) {
        case SQLITE_CONSTRAINT: return hr::kIntegrityViolation;
        case SQLITE_MISMATCH: return hr::kIntegrityViolation;
        case SQLITE_NOMEM: return hr::kOutOfMemory;
        case SQLITE_INTERRUPT: return hr::kTimeout;
        case SQLITE_RANGE: return hr::kInvalidArg;
        case SQLITE_ERROR:
            // Jet tells a missing table from other faults of a statement; SQLite only by its text.
            if (message.rfind("no such table", 0) == 0) return hr::kNoTable;
            return hr::kErrorsInCommand;
        default: return hr::kFail;  // locks, read-only files, damaged files: Jet's generic failure
    }
}

const char* ReadOnlyReason(ReadOnly readOnly) {
    switch (readOnly) {
        case ReadOnly::No: return "";
        case ReadOnly::NoWritePermission: return "the database file has no write permission";
        case ReadOnly::FolderNotWritable:
            return "the folder that holds the database file cannot be written, so SQLite could not create the "
                   "journal it keeps beside the file while writing";
        case ReadOnly::Requested: return "its connection string asks for reading only (Mode)";
    }
    return "";
}

std::string DescribeEngineError(int resultCode, std::string_view message, const EngineErrorContext& context) {
    std::string text(message.empty() ? sqlite3_errstr(resultCode) : message);
    const int primary = resultCode & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        if (context.busyWaitedMs > 0)
            text += Format(". Another connection holds a lock on the database; waited %d ms for it (the busy timeout is "
                           "%d ms)", context.busyWaitedMs, context.busyTimeoutMs);
        else
            text += ". Another connection holds a lock on the database; SQLite reported it at once, without waiting, "
                    "because this connection was itself in the middle of a read or a transaction";
    } else if (primary == SQLITE_READONLY && context.readOnly != ReadOnly::No) {
        text += ". The connection is read-only: ";
        text += ReadOnlyReason(context.readOnly);
    } else if (primary == SQLITE_INTERRUPT) {
        text += ". The command timeout expired";
    }
    if (!context.action.empty()) {
        text += " (while ";
        text += context.action;
        if (!context.sql.empty()) {
            constexpr size_t kMaxShown = 300;
            text += ": ";
            if (context.sql.size() > kMaxShown) {
                text += context.sql.substr(0, kMaxShown);
                text += "...";
            } else {
                text += context.sql;
            }
        }
        if (!context.path.empty()) {
            text += context.sql.empty() ? " " : " in ";
            text += "'";
            text += context.path;
            text += "'";
        }
        text += ")";
    }
    return text;
}

void RaiseEngine(int resultCode, std::string_view message, const EngineErrorContext& context) {
    throw _com_error(MapResultCode(resultCode, message), kEngineSource,
                     DescribeEngineError(resultCode, message, context));
}

void RaiseProvider(HRESULT code, std::string description) {
    throw _com_error(code, kProviderSource, std::move(description));
}

void RaiseClosed(const char* what) {
    throw _com_error(hr::kObjectClosed, kProviderSource,
                     Format("Operation is not allowed when the object is closed (%s).", what));
}

}  // namespace veltmoor::ado::sqlite
