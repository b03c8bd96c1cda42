#include "db/ado/odbc/OdbcEngine.h"

#include "base/CString.h"

namespace veltmoor::ado::odbc {

Engine EngineFromDbmsName(const std::string& dbmsName) {
    const std::string name = ToUpper(dbmsName);
    auto has = [&name](const char* word) { return name.find(word) != std::string::npos; };
    // FreeTDS answers "Microsoft SQL Server" (or "SQL Server" for older servers).
    if (has("SQL SERVER")) return Engine::SqlServer;
    if (has("POSTGRES")) return Engine::PostgreSql;
    if (has("MARIADB") || has("MYSQL")) return Engine::MariaDb;
    if (has("SQLITE")) return Engine::Sqlite;
    return Engine::Other;
}

}  // namespace veltmoor::ado::odbc
