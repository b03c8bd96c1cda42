// The ODBC provider behind ADODB.Connection for Provider=SQLOLEDB and MSDASQL.
#include <algorithm>
#include <utility>

#include "db/ado/ClosedRecordset.h"
#include "db/ado/Providers.h"
#include "db/ado/odbc/OdbcCatalog.h"
#include "db/ado/odbc/OdbcConnectionStrings.h"
#include "db/ado/odbc/OdbcSession.h"
#include "db/ado/odbc/ServerCatalog.h"

namespace veltmoor::ado {

namespace {

using odbc::Session;

class OdbcConnection final : public Connection {
public:
    OdbcConnection(std::shared_ptr<Session> session, std::string provider)
        : session_(std::move(session)),
          provider_(std::move(provider)),
          engine_(odbc::EngineFromDbmsName(session_->dbmsName())) {}

    void Open(const std::string&, const std::string&, const std::string&, long) override {
        throw _com_error(hr::kObjectOpen, session_->source(), "Operation is not allowed when the object is open.");
    }
    void Close() override {
        session_->Close();
        depth_ = 0;
    }
    long State() override { return session_->IsOpen() ? adStateOpen : adStateClosed; }
    RecordsetPtr Execute(const std::string& sql) override {
        // Every result is read in full on the spot (a client-side cursor), so
        // recordsets never hold the connection busy.
        auto result = IsServer() ? RunOnServer(sql) : session_->Run(sql);
        return result ? odbc::MakeBufferedRecordset(std::move(*result)) : ClosedRecordset();
    }
    std::string Version() override { return kDataAccessVersion; }
    std::string Provider() override { return provider_; }
    std::string DbmsName() override { return session_->dbmsName(); }
    void PutCommandTimeout(long seconds) override { session_->SetCommandTimeout(seconds); }
    // A transaction begun inside another is a savepoint of it, as on the embedded database.
    void BeginTrans() override {
        if (depth_ == 0) session_->BeginTrans();
        else session_->Run(Savepoint(engine_ == odbc::Engine::SqlServer ? "SAVE TRANSACTION " : "SAVEPOINT "));
        ++depth_;
    }
    void CommitTrans() override {
        if (depth_ <= 1) session_->CommitTrans();
        else if (engine_ != odbc::Engine::SqlServer) session_->Run(Savepoint("RELEASE SAVEPOINT ", -1));  // T-SQL has no release
        depth_ = std::max(depth_ - 1, 0);
    }
    void RollbackTrans() override {
        if (depth_ <= 1) {
            depth_ = 0;
            return session_->RollbackTrans();
        }
        --depth_;
        if (engine_ == odbc::Engine::SqlServer) {
            session_->Run(Savepoint("ROLLBACK TRANSACTION "));
            return;
        }
        session_->Run(Savepoint("ROLLBACK TO SAVEPOINT "));
        session_->Run(Savepoint("RELEASE SAVEPOINT "));
    }
    std::shared_ptr<CatalogBackend> Catalog() override {
        session_->RequireOpen();
        if (IsServer()) return odbc::MakeServerCatalog(session_, odbc::ServerDialect(engine_));
        return odbc::MakeOdbcCatalog(session_);
    }

private:
    bool IsServer() const { return engine_ == odbc::Engine::PostgreSql || engine_ == odbc::Engine::MariaDb; }

    // PostgreSQL and MariaDB: the brackets become the engine's quoting, and the new
    // row's ID is taken from the INSERT itself (RETURNING its autonumber column), so
    // that "SELECT @@IDENTITY" answers the ID of the row the last INSERT made, or
    // NULL when that INSERT numbered none: never a value left from an earlier one.
    std::optional<odbc::ResultTable> RunOnServer(const std::string& sql) {
        const odbc::ServerDialect dialect(engine_);
        if (auto column = odbc::ServerDialect::IdentityQuery(sql)) {
            odbc::ResultTable answer;
            answer.names.push_back(*column);
            answer.rows.push_back({lastIdentity_});
            return answer;
        }
        const std::string translated = dialect.TranslateBrackets(sql);
        const auto target = odbc::ServerDialect::InsertTarget(sql);
        if (!target) return session_->Run(translated);

        lastIdentity_ = _variant_t::Null();
        const auto autonumber = odbc::AutonumberColumn(session_, dialect, *target);
        if (!autonumber) return session_->Run(translated);
        auto returned = session_->Run(odbc::ServerDialect::WithoutTerminator(translated) + " RETURNING " +
                                      dialect.QuoteName(*autonumber));
        if (returned && !returned->rows.empty() && !returned->rows.back().empty())
            lastIdentity_ = returned->rows.back().front();
        return std::nullopt;  // an INSERT gives no rows to its caller
    }

    // The statement naming the savepoint of the current depth (plus `offset`).
    std::string Savepoint(const char* verb, int offset = 0) const {
        return verb + std::string("veltmoor_trans_") + std::to_string(depth_ + offset);
    }

    std::shared_ptr<Session> session_;
    std::string provider_;
    int depth_ = 0;  // transactions begun and not ended; past the first, savepoints
    odbc::Engine engine_;
    _variant_t lastIdentity_ = _variant_t::Null();
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
