// What the driver manager is given for an ADO connection string. Pure text work,
// tested as text; malformed values raise _com_error (E_INVALIDARG) naming the key.
//
// SQLOLEDB: Data Source/Server ("host", "host,port", "host\instance", "tcp:" allowed,
// "(local)" and "." meaning this machine), Initial Catalog/Database, User ID/UID,
// Password/PWD, Integrated Security/Trusted_Connection (Kerberos through FreeTDS),
// Application Name, Workstation ID, Encrypt and Connect Timeout are translated for
// FreeTDS (UTF-8 client character set, TDS 7.4), or for the ODBC driver that
// "Driver=" names. Keys that only mean something to the OLE DB provider are left out.
//
// MSDASQL: the pairs go to the driver manager as they stand, except that the OLE DB
// names MSDASQL itself understands become ODBC's: Data Source -> DSN,
// User ID -> UID, Password -> PWD. Provider is left out.
#pragma once

#include <optional>
#include <string>

#include "db/ado/ConnectionString.h"

namespace veltmoor::ado::odbc {

struct OdbcConnectTarget {
    std::string connectionString;      // for SQLDriverConnect
    std::optional<long> loginTimeout;  // seconds, when the string asks for one
};

OdbcConnectTarget TranslateSqlOleDb(const ConnectionString& cs);
OdbcConnectTarget TranslateMsdasql(const ConnectionString& cs);

// One "key=value;" pair, the value braced (with '}' doubled) when ODBC needs it.
std::string OdbcPair(const std::string& key, const std::string& value);

}  // namespace veltmoor::ado::odbc
