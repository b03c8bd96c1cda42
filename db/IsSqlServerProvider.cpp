// Tells SQL Server (SQLOLEDB, or an ODBC source whose engine is SQL Server) from
// the engines that take the catalog path (the embedded database, and PostgreSQL,
// MariaDB or SQLite behind ODBC); asked afresh wherever the SQL differs.
#include "app/VeltmoorDlg.h"
#include "db/ado/odbc/OdbcEngine.h"

namespace veltmoor {

bool IsSqlServerProvider(ado::ConnectionPtr connection) {
    const CString provider = ToUpper(connection->Provider());
    // Only a name at the very start counts: "XSQLOLEDB" is not SQL Server.
    if (provider.rfind("SQLOLEDB", 0) == 0) return true;
    if (provider.rfind("MSDASQL", 0) != 0) return false;
    // An ODBC connection that does not name its engine is taken for SQL Server,
    // the engine this program's T-SQL was written for.
    const std::string dbms = connection->DbmsName();
    return dbms.empty() || ado::odbc::EngineFromDbmsName(dbms) == ado::odbc::Engine::SqlServer;
}

}  // namespace veltmoor
