// The ODBC provider behind ADODB.Connection for Provider=SQLOLEDB and MSDASQL.
#include <utility>

#include "db/ado/ClosedRecordset.h"
#include "db/ado/Providers.h"
#include "db/ado/odbc/OdbcCatalog.h"
#include "db/ado/odbc/OdbcConnectionStrings.h"
#include "db/ado/odbc/OdbcSession.h"

namespace veltmoor::ado {

namespace {

using odbc::Session;

class OdbcConnection final : public Connection {
public:
    OdbcConnection(std::shared_ptr<Session> session, std::string provider)
        : session_(std::move(session)), provider_(std::move(provider)) {}

    void Open(const std::string&, const std::string&, const std::string&, long) override {
        throw _com_error(hr::kObjectOpen, session_->source(), "Operation is not allowed when the object is open.");
    }
    void Close() override { session_->Close(); }
    long State() override { return session_->IsOpen() ? adStateOpen : adStateClosed; }
    RecordsetPtr Execute(const std::string& sql) override {
        // Every result is read in full on the spot (a client-side cursor), so
        // recordsets never hold the connection busy.
        auto result = session_->Run(sql);
        return result ? odbc::MakeBufferedRecordset(std::move(*result)) : ClosedRecordset();
    }
    std::string Version() override { return kDataAccessVersion; }
    std::string Provider() override { return provider_; }
    void PutCommandTimeout(long seconds) override { session_->SetCommandTimeout(seconds); }
    void BeginTrans() override { session_->BeginTrans(); }
    void CommitTrans() override { session_->CommitTrans(); }
    void RollbackTrans() override { session_->RollbackTrans(); }
    std::shared_ptr<CatalogBackend> Catalog() override {
        session_->RequireOpen();
        return odbc::MakeOdbcCatalog(session_);
    }

private:
    std::shared_ptr<Session> session_;
    std::string provider_;
};

}  // namespace

std::shared_ptr<Connection> OpenOdbcProvider(const ConnectionString& cs, bool sqlServer, const OpenOptions& options) {
    const odbc::OdbcConnectTarget target = sqlServer ? odbc::TranslateSqlOleDb(cs) : odbc::TranslateMsdasql(cs);
    const char* source = sqlServer ? "SQL Server provider (SQLOLEDB)" : "ODBC provider (MSDASQL)";
    auto session =
        std::make_shared<Session>(target.connectionString, target.loginTimeout, source, options.commandTimeout);
    return std::make_shared<OdbcConnection>(std::move(session), sqlServer ? "SQLOLEDB.1" : "MSDASQL.1");
}

}  // namespace veltmoor::ado
