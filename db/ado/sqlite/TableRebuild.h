// Changes SQLite's ALTER TABLE cannot make, done with SQLite's documented table
// rebuild: foreign keys off, one transaction (a savepoint inside the caller's),
// the new table created and filled, the old one dropped, the new one renamed, the
// indexes and triggers made again, foreign keys checked, commit. Every row,
// index, trigger and the autonumber counter survive. On any failure the
// transaction is rolled back, the table is as it was, and _com_error is raised.
#pragma once

#include <functional>
#include <string>

#include "db/ado/sqlite/SqliteSession.h"
#include "db/ado/sqlite/TableDefinition.h"

namespace veltmoor::ado::sqlite {

// Rebuilds `table` (its name as stored) with the definition `change` makes of the
// current one. `change` may raise to refuse the change before anything happens.
void RebuildTable(Session& session, const std::string& table, const std::function<void(TableDefinition&)>& change);

}  // namespace veltmoor::ado::sqlite
