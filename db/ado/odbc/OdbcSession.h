// One open ODBC connection: its environment and connection handles, the command
// time-out for new statements and the transaction state. Shared by the connection
// object and its catalogs; after Close every use raises kObjectClosed. Destroying
// it rolls back an open transaction and disconnects.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/ado/odbc/OdbcApi.h"
#include "db/ado/odbc/ResultTable.h"

namespace veltmoor::ado::odbc {

class Session {
public:
    // Connects through the driver manager (SQLDriverConnect, no prompt); raises
    // with every diagnostic record when the driver or data source refuses.
    Session(const std::string& connectionString, std::optional<long> loginTimeout, std::string source,
            long commandTimeout);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& source() const noexcept { return source_; }
    // The engine's own name (SQL_DBMS_NAME), read once on connecting.
    const std::string& dbmsName() const noexcept { return dbmsName_; }
    bool IsOpen() const noexcept { return connected_; }
    void RequireOpen() const;
    // Rolls back an open transaction and disconnects; raises when already closed.
    void Close();

    // Seconds a statement may run (0: no limit), applied to statements made later.
    void SetCommandTimeout(long seconds);
    // A new statement with the command time-out applied.
    std::unique_ptr<Handle> NewStatement();
    // Runs one SQL text: the first result set with columns, or nullopt.
    std::optional<ResultTable> Run(const std::string& sql);

    // One transaction at a time: autocommit off until commit or rollback.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // The driver's escape for '_' and '%' in catalog search patterns ("" if none).
    const std::string& PatternEscape() const noexcept { return patternEscape_; }

private:
    void EndTransaction();

    std::string source_;
    std::unique_ptr<Handle> environment_;
    std::unique_ptr<Handle> connection_;
    bool connected_ = false;
    bool inTransaction_ = false;
    long commandTimeout_;
    std::string patternEscape_;
    std::string dbmsName_;
};

}  // namespace veltmoor::ado::odbc
