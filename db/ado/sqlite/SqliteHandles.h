// Owning handles of SQLite objects: one owner each, never copied; the handle
// closes its database, or finalizes its statement (or gives it back to the session
// that keeps it for the next use of its text) when it goes away.
#pragma once

#include <sqlite3.h>

#include <memory>

namespace veltmoor::ado::sqlite {

struct DatabaseCloser {
    // close_v2 defers the close until the last statement is finalized, so an
    // out-of-order release can never leave a dangling statement behind.
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

class Session;
struct StatementFinalizer {
    Session* keeper = nullptr;  // none: finalized
    void operator()(sqlite3_stmt* stmt) const noexcept;
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

}  // namespace veltmoor::ado::sqlite
