// The providers behind CreateConnection(): each opens its kind of database from a
// parsed connection string and returns an open connection, or raises _com_error.
#pragma once

#include <memory>

#include "db/ado/Connection.h"
#include "db/ado/ConnectionString.h"

namespace veltmoor::ado {

struct OpenOptions {
    long commandTimeout = 30;  // seconds; 0 waits for ever
};

// Provider=Microsoft.Jet.OLEDB.4.0 (or ACE): the SQLite file named by "data source".
std::shared_ptr<Connection> OpenSqliteProvider(const ConnectionString& cs, const OpenOptions& options);

// The same provider for a genuine Jet 3/4 file at path: read-only, through libmdb.
std::shared_ptr<Connection> OpenJetProvider(const std::string& path);

// Provider=SQLOLEDB (sqlServer true: the string is translated for FreeTDS) or
// MSDASQL (the rest of the string goes to the driver manager unchanged).
std::shared_ptr<Connection> OpenOdbcProvider(const ConnectionString& cs, bool sqlServer, const OpenOptions& options);

}  // namespace veltmoor::ado
