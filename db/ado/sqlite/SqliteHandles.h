// Owning handles of SQLite objects: one owner each, never copied; the handle
// finalizes its statement or closes its database when it goes away.
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

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

}  // namespace veltmoor::ado::sqlite
