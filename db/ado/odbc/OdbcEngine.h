// Which database engine answers an ODBC connection, told from its SQL_DBMS_NAME.
// The engine picks the SQL dialect and the catalog; no ODBC headers needed.
#pragma once

#include <string>

namespace veltmoor::ado::odbc {

enum class Engine { SqlServer, Sqlite, PostgreSql, MariaDb, Other };

// "Microsoft SQL Server", "PostgreSQL", "MariaDB", "MySQL", "SQLite", ... (any case).
Engine EngineFromDbmsName(const std::string& dbmsName);

}  // namespace veltmoor::ado::odbc
