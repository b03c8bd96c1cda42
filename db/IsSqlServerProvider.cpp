// Tells the server-side providers (SQL Server, ODBC) from the embedded database;
// asked afresh wherever the SQL differs.
#include "app/VeltmoorDlg.h"

namespace veltmoor {

bool IsSqlServerProvider(ado::ConnectionPtr connection) {
    const CString provider = ToUpper(connection->Provider());
    // Only a name at the very start counts: "XSQLOLEDB" is not SQL Server.
    return provider.rfind("SQLOLEDB", 0) == 0 || provider.rfind("MSDASQL", 0) == 0;
}

}  // namespace veltmoor
