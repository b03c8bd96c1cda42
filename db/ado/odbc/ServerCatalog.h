// The catalog of a PostgreSQL or MariaDB/MySQL database behind ODBC: tables,
// columns and indexes read from the engine's own catalog (names matched without
// regard to case), and the objects the repairs need made with the engine's DDL.
// A change the engine refuses, or one that would lose rows, raises and leaves the
// table as it was.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/ado/Connection.h"
#include "db/ado/odbc/OdbcSession.h"
#include "db/ado/odbc/ServerDialect.h"

namespace veltmoor::ado::odbc {

std::shared_ptr<CatalogBackend> MakeServerCatalog(std::shared_ptr<Session> session, ServerDialect dialect);

// The name of the table's autonumber column, or nothing (also for an unknown table).
std::optional<std::string> AutonumberColumn(std::shared_ptr<Session> session, const ServerDialect& dialect,
                                            const std::string& table);

}  // namespace veltmoor::ado::odbc
