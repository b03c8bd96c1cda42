// Errors of the SQLite provider as the one error type: SQLite's result codes mapped
// to the status codes Jet would report, with a description that keeps SQLite's own
// message and says what the provider was doing.
#pragma once

#include <string>
#include <string_view>

#include "db/ado/Error.h"

namespace veltmoor::ado::sqlite {

// Source of errors the provider raises itself (opening, closed objects, catalog rules).
inline constexpr const char* kProviderSource = "Microsoft.Jet.OLEDB.4.0";
// Source of errors the SQLite engine reports.
inline constexpr const char* kEngineSource = "SQLite";

// XACT_E_NOTRANSACTION: CommitTrans or RollbackTrans without BeginTrans.
inline constexpr HRESULT kNoTransaction = static_cast<HRESULT>(0x8004D00E);

// Why a connection only reads: the file cannot be written, the folder that holds
// it cannot (SQLite could not make its journal there), or the connection string
// asked for it (Mode=Read and ADO's other read-only modes).
enum class ReadOnly { No, NoWritePermission, FolderNotWritable, Requested };

// The reason in words, for error descriptions ("" for No).
const char* ReadOnlyReason(ReadOnly readOnly);

// What the provider was doing when SQLite failed, for the description.
struct EngineErrorContext {
    std::string_view action;     // e.g. "running", "preparing", "opening"
    std::string_view sql;        // the statement, when there is one
    std::string_view path;       // the database file
    int busyTimeoutMs = 0;       // how long a locked database may be waited for
    int busyWaitedMs = 0;        // how long it was waited for (SQLite may answer at once)
    ReadOnly readOnly = ReadOnly::No;
};

// The status code for an SQLite result code (extended codes accepted) and message.
HRESULT MapResultCode(int resultCode, std::string_view message);

// The description of a failure: SQLite's message first, then the provider's context.
std::string DescribeEngineError(int resultCode, std::string_view message, const EngineErrorContext& context);

[[noreturn]] void RaiseEngine(int resultCode, std::string_view message, const EngineErrorContext& context);
[[noreturn]] void RaiseProvider(HRESULT code, std::string description);

// "Operation is not allowed when the object is closed." for connections and recordsets.
[[noreturn]] void RaiseClosed(const char* what);

}  // namespace veltmoor::ado::sqlite
