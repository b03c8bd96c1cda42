// The narrow data-access interface (the ADO part): connections, recordsets and
// the provider's side of the catalog. Every failing operation raises _com_error;
// nothing reports failure through a return value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/ado/ComPtr.h"
#include "db/ado/Error.h"
#include "db/ado/Variant.h"

namespace veltmoor::ado {

enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

// ADOX column types (DataTypeEnum) that the program and the providers use.
enum DataTypeEnum {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// The rows of one executed statement. A statement that returns no rows gives a
// closed recordset (State 0). Field reads on a closed recordset or past the end raise.
class Recordset {
public:
    virtual ~Recordset() = default;
    virtual bool IsEOF() = 0;
    virtual _variant_t GetField(const std::string& name) = 0;  // Fields.Item(name).Value
    virtual void MoveNext() = 0;
    virtual void MoveFirst() = 0;
    virtual void Close() = 0;
    virtual long State() = 0;  // adStateOpen or adStateClosed
};
using RecordsetPtr = ComPtr<Recordset>;

// What a provider reports of a column and accepts for a new one.
struct ColumnInfo {
    std::string name;
    DataTypeEnum type = adInteger;
    long definedSize = 0;
    int precision = 0;  // decimal columns
    int scale = 0;
    bool autoIncrement = false;
    bool nullable = true;
    _variant_t defaultValue;  // empty when the column has no default
};

// What a provider reports of an index and accepts for a new one.
struct IndexInfo {
    std::string name;
    bool primaryKey = false;
    bool unique = false;
    bool clustered = false;
    std::vector<ColumnInfo> columns;  // key columns in key order (name, type, size)
};

struct TableDef {
    std::string name;
    std::vector<ColumnInfo> columns;
};

// The provider's side of the catalog (the ADOX part). Names are matched as the
// provider matches them; a missing table or column raises.
class CatalogBackend {
public:
    virtual ~CatalogBackend() = default;
    virtual std::vector<std::string> TableNames() = 0;
    virtual std::vector<ColumnInfo> Columns(const std::string& table) = 0;
    virtual std::vector<IndexInfo> Indexes(const std::string& table) = 0;
    // Creates the table with its columns (autonumber, nullability, defaults, precision).
    // Only the SQL Server identity rebuild makes tables: other providers refuse.
    virtual void CreateTable(const TableDef& table);
    virtual void CreateIndex(const std::string& table, const IndexInfo& index) = 0;
    // Sets a provider property ("Autoincrement", "Default") of an existing column.
    virtual void SetColumnProperty(const std::string& table, const std::string& column,
                                   const std::string& property, const _variant_t& value) = 0;
};

// The text with each '?' outside quotes and brackets replaced by the next value, in decimal.
std::string WithValues(const std::string& sql, const std::vector<std::int64_t>& values);

// An ADO connection. The one from CreateConnection() picks its provider from the
// connection string on Open; tests substitute their own implementation.
class Connection {
public:
    virtual ~Connection() = default;
    virtual void Open(const std::string& connectionString, const std::string& user, const std::string& password,
                      long options) = 0;
    virtual void Close() = 0;
    virtual long State() = 0;
    // Runs one SQL text (command type text). Statements without rows give a closed recordset.
    virtual RecordsetPtr Execute(const std::string& sql) = 0;
    // Runs one SQL text whose '?' marks stand for the values, in order. A provider that
    // binds them prepares a text once however often it runs; the others run WithValues.
    virtual RecordsetPtr ExecuteWith(const std::string& sql, const std::vector<std::int64_t>& values) {
        return Execute(WithValues(sql, values));
    }
    virtual std::string Version() = 0;   // the data-access version, a decimal number as text
    virtual std::string Provider() = 0;  // e.g. "Microsoft.Jet.OLEDB.4.0", "SQLOLEDB.1", "MSDASQL.1"
    // The engine that answers an ODBC connection (SQL_DBMS_NAME, e.g. "PostgreSQL");
    // empty where the provider does not say.
    virtual std::string DbmsName() { return {}; }
    virtual void PutCommandTimeout(long seconds) = 0;
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void RollbackTrans() = 0;
    // The catalog of the open database; raises when the connection is closed.
    virtual std::shared_ptr<CatalogBackend> Catalog() = 0;

    // The embedded database's own file; servers have none (they keep their own backups).
    virtual std::string DatabaseFile() { return {}; }
    // True when the connection was opened for reading only (e.g. Mode=Read).
    virtual bool IsReadOnly() { return false; }
    // Why a read-only connection can repair nothing, and the ways on: every provider
    // that can be read-only says it in its own terms (Mode, the file, its folder).
    virtual std::string ReadOnlyReason() { return {}; }
    // The embedded database's quick integrity check: empty when sound, else what is
    // damaged. Servers answer empty. Raises when the check itself cannot run.
    virtual std::string QuickCheck() { return {}; }
    // Writes a consistent copy of the open database to a new file at path, or, when
    // that name is taken, at the first free one with "-2", "-3"... before its
    // extension; returns the name written. Raises on failure (leaving nothing behind),
    // or when the provider has no file of its own.
    virtual std::string BackupTo(const std::string&) {
        throw _com_error(hr::kNotSupported, "ADODB.Connection",
                         "This provider keeps no database file of its own to copy; use the server's own backup.");
    }
};
using ConnectionPtr = ComPtr<Connection>;

// ADODB.Connection: a new, closed connection whose provider is chosen on Open.
ConnectionPtr CreateConnection();

// What Connection::DbmsName answers for a genuine Jet file (read through libmdb).
inline constexpr const char* kJetDbmsName = "Microsoft Jet";

// The data-access version that our layer reports through Connection::Version.
inline constexpr const char* kDataAccessVersion = "2.8";

}  // namespace veltmoor::ado
