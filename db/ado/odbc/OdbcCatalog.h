// The catalog of an ODBC connection: tables, columns and indexes read through the
// ODBC catalog functions, objects created with SQL Server's DDL. Holds the
// session, so it raises kObjectClosed once the connection is closed.
#pragma once

#include <memory>

#include "db/ado/Connection.h"
#include "db/ado/odbc/OdbcSession.h"

namespace veltmoor::ado::odbc {

std::shared_ptr<CatalogBackend> MakeOdbcCatalog(std::shared_ptr<Session> session);

}  // namespace veltmoor::ado::odbc
