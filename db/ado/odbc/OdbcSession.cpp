#include "db/ado/odbc/OdbcSession.h"

#include "db/ado/odbc/OdbcFetch.h"

namespace veltmoor::ado::odbc {

namespace {

SQLPOINTER IntegerAttribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

}  // namespace

Session::Session(const std::string& connectionString, std::optional<long> loginTimeout, std::string source,
                 long commandTimeout)
    : source_(std::move(source)), commandTimeout_(commandTimeout) {
    SetCommandTimeout(commandTimeout);
    environment_ = std::make_unique<Handle>(SQL_HANDLE_ENV, SQLHANDLE{}, source_);
    Check(SQLSetEnvAttr(environment_->get(), SQL_ATTR_ODBC_VERSION, IntegerAttribute(SQL_OV_ODBC3), 0), *environment_,
          source_, "SQLSetEnvAttr");
    connection_ = std::make_unique<Handle>(SQL_HANDLE_DBC, environment_->get(), source_);
    if (loginTimeout) {
        Check(SQLSetConnectAttr(connection_->get(), SQL_ATTR_LOGIN_TIMEOUT,
                                IntegerAttribute(static_cast<SQLULEN>(*loginTimeout)), SQL_IS_UINTEGER),
              *connection_, source_, "SQLSetConnectAttr");
    }
    if (connectionString.size() > 32767)
        throw _com_error(hr::kInvalidArg, source_, "Invalid connection string: longer than ODBC accepts");
    SQLCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    Check(SQLDriverConnect(connection_->get(), nullptr, Text(connectionString),
                           static_cast<SQLSMALLINT>(connectionString.size()), completed, sizeof completed,
                           &completedLength, SQL_DRIVER_NOPROMPT),
          *connection_, source_, "SQLDriverConnect");
    connected_ = true;

    char escape[8] = {};
    SQLSMALLINT escapeLength = 0;
    if (Succeeded(SQLGetInfo(connection_->get(), SQL_SEARCH_PATTERN_ESCAPE, escape, sizeof escape, &escapeLength)))
        patternEscape_ = escape;
    char dbms[256] = {};
    SQLSMALLINT dbmsLength = 0;
    if (Succeeded(SQLGetInfo(connection_->get(), SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength))) dbmsName_ = dbms;
}

Session::~Session() {
    if (!connected_) return;
    // Nothing may escape a destructor; an unfinished transaction is undone.
    if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, connection_->get(), SQL_ROLLBACK);
    SQLDisconnect(connection_->get());
}

void Session::RequireOpen() const {
    if (!connected_)
        throw _com_error(hr::kObjectClosed, source_, "Operation is not allowed when the object is closed.");
}

void Session::Close() {
    RequireOpen();
    if (inTransaction_) {
        // Closing undoes an unfinished transaction, so that a connection left in
        // one by a failed repair can still be closed and opened again.
        SQLEndTran(SQL_HANDLE_DBC, connection_->get(), SQL_ROLLBACK);
        EndTransaction();
    }
    connected_ = false;
    Check(SQLDisconnect(connection_->get()), *connection_, source_, "SQLDisconnect");
}

void Session::SetCommandTimeout(long seconds) {
    if (seconds < 0)
        throw _com_error(hr::kInvalidArg, source_, "The command time-out must be 0 (no limit) or a number of seconds.");
    commandTimeout_ = seconds;
}

std::unique_ptr<Handle> Session::NewStatement() {
    RequireOpen();
    auto statement = std::make_unique<Handle>(SQL_HANDLE_STMT, connection_->get(), source_);
    const SQLRETURN rc = SQLSetStmtAttr(statement->get(), SQL_ATTR_QUERY_TIMEOUT,
                                        IntegerAttribute(static_cast<SQLULEN>(commandTimeout_)), SQL_IS_UINTEGER);
    if (rc == SQL_ERROR) {
        // A driver without time-outs runs statements unbounded, as ADO does then.
        const auto records = CollectDiagnostics(SQL_HANDLE_STMT, statement->get());
        const bool unsupported =
            !records.empty() && (records.front().state == "HYC00" || records.front().state == "S1C00");
        if (!unsupported) throw MakeOdbcError(records, source_, "SQLSetStmtAttr");
    }
    return statement;
}

std::optional<ResultTable> Session::Run(const std::string& sql) {
    auto statement = NewStatement();
    const SQLRETURN rc = Check(SQLExecDirect(statement->get(), Text(sql), static_cast<SQLINTEGER>(sql.size())),
                               *statement, source_, "SQLExecDirect");
    // A searched UPDATE or DELETE that touched no row answers SQL_NO_DATA.
    if (rc == SQL_NO_DATA) return std::nullopt;
    return FirstResultSet(*statement, source_);
}

void Session::BeginTrans() {
    RequireOpen();
    if (inTransaction_)
        throw _com_error(hr::kNotSupported, source_, "Only one transaction can be active on this connection.");
    Check(SQLSetConnectAttr(connection_->get(), SQL_ATTR_AUTOCOMMIT, IntegerAttribute(SQL_AUTOCOMMIT_OFF),
                            SQL_IS_UINTEGER),
          *connection_, source_, "SQLSetConnectAttr");
    inTransaction_ = true;
}

void Session::CommitTrans() {
    RequireOpen();
    if (!inTransaction_) throw _com_error(hr::kFail, source_, "No transaction is active.");
    // A failed commit leaves the transaction open for the caller's rollback.
    Check(SQLEndTran(SQL_HANDLE_DBC, connection_->get(), SQL_COMMIT), *connection_, source_, "SQLEndTran");
    EndTransaction();
}

void Session::RollbackTrans() {
    RequireOpen();
    if (!inTransaction_) throw _com_error(hr::kFail, source_, "No transaction is active.");
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_->get(), SQL_ROLLBACK);
    std::optional<_com_error> failure;
    if (!Succeeded(rc))
        failure = MakeOdbcError(CollectDiagnostics(SQL_HANDLE_DBC, connection_->get()), source_, "SQLEndTran");
    EndTransaction();
    if (failure) throw *failure;
}

void Session::EndTransaction() {
    inTransaction_ = false;
    Check(SQLSetConnectAttr(connection_->get(), SQL_ATTR_AUTOCOMMIT, IntegerAttribute(SQL_AUTOCOMMIT_ON),
                            SQL_IS_UINTEGER),
          *connection_, source_, "SQLSetConnectAttr");
}

}  // namespace veltmoor::ado::odbc
