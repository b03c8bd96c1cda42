// The open connection of the SQLite provider (what Provider=Microsoft.Jet.OLEDB.4.0
// opens): runs the Jet dialect the program sends, nests BeginTrans through
// savepoints, and hands out the SQLite catalog. Made open by OpenSqliteProvider;
// after Close every call but Close and State raises "closed".
#pragma once

#include <memory>

#include "db/ado/Connection.h"
#include "db/ado/sqlite/SqliteSession.h"

namespace veltmoor::ado::sqlite {

class SqliteConnection final : public Connection {
public:
    explicit SqliteConnection(std::shared_ptr<Session> session) : session_(std::move(session)) {}
    ~SqliteConnection() override;

    void Open(const std::string&, const std::string&, const std::string&, long) override;
    void Close() override;
    long State() override { return session_->IsOpen() ? adStateOpen : adStateClosed; }
    // Runs one statement. Statements with result columns give an open recordset
    // positioned on the first row; others run to completion and give a closed one.
    RecordsetPtr Execute(const std::string& sql) override;
    // Binds the values, so that a text that runs again is not prepared again.
    RecordsetPtr ExecuteWith(const std::string& sql, const std::vector<std::int64_t>& values) override;
    std::string Version() override { return kDataAccessVersion; }
    std::string Provider() override { return "Microsoft.Jet.OLEDB.4.0"; }
    // Limits each call into the database to that many seconds (0: no limit) and
    // waits for another connection's lock at most min(seconds, 5 s).
    void PutCommandTimeout(long seconds) override { session_->SetCommandTimeout(seconds); }
    // BEGIN IMMEDIATE at the first level (the write lock is taken, or waited for up to
    // the busy timeout, before any work), a SAVEPOINT for each nested level.
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    std::shared_ptr<CatalogBackend> Catalog() override;
    std::string DatabaseFile() override { return session_->path(); }
    bool IsReadOnly() override { return session_->readOnly() != ReadOnly::No; }
    std::string ReadOnlyReason() override {
        const std::string why = sqlite::ReadOnlyReason(session_->readOnly());
        return why.empty() ? why
                           : "The connection to the database is read-only (" + why +
                                 "), so nothing was repaired. Open it read-write to fix errors.";
    }
    // PRAGMA quick_check: empty when sound; damage SQLite meets on the way counts as found.
    std::string QuickCheck() override;
    // SQLite's online backup, made in a private folder beside the backup and only then
    // given its name, which it never takes from an existing file or link.
    std::string BackupTo(const std::string& path) override;

private:
    std::shared_ptr<Session> session_;
};

}  // namespace veltmoor::ado::sqlite
