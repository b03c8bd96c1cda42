#include "db/ado/sqlite/SqliteSession.h"

#include "base/CString.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/SqliteRecordset.h"

namespace veltmoor::ado::sqlite {

namespace {
// How many virtual-machine steps pass between two looks at the clock.
constexpr int kProgressInterval = 1000;

// Failures that concern the file rather than the statement name the file.
bool NamesFile(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_READONLY:
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_FULL: return true;
        default: return false;
    }
}
}  // namespace

Session::Session(DatabaseHandle db, std::string path, bool readOnly, long commandTimeoutSeconds)
    : db_(std::move(db)), path_(std::move(path)), readOnly_(readOnly) {
    sqlite3_progress_handler(db_.get(), kProgressInterval, &Session::OnProgress, this);
    SetCommandTimeout(commandTimeoutSeconds);
}

Session::~Session() { Close(); }

sqlite3* Session::Require(const char* what) const {
    if (!db_) RaiseClosed(what);
    return db_.get();
}

void Session::SetCommandTimeout(long seconds) {
    commandTimeoutSeconds_ = seconds > 0 ? seconds : 0;
    const long waitMs = seconds > 0 ? seconds * 1000 : kMaxBusyWaitMs;
    busyTimeoutMs_ = static_cast<int>(waitMs < kMaxBusyWaitMs ? waitMs : kMaxBusyWaitMs);
    if (db_) sqlite3_busy_timeout(db_.get(), busyTimeoutMs_);
}

int Session::OnProgress(void* self) {
    auto* session = static_cast<Session*>(self);
    if (session->commandTimeoutSeconds_ <= 0) return 0;
    const auto now = std::chrono::steady_clock::now();
    // The first look within a call marks its start; reading the clock only here
    // keeps short statements free of any timing cost.
    if (session->seenGeneration_ != session->callGeneration_) {
        session->seenGeneration_ = session->callGeneration_;
        session->callStart_ = now;
        return 0;
    }
    return now - session->callStart_ > std::chrono::seconds(session->commandTimeoutSeconds_) ? 1 : 0;
}

void Session::Raise(int rc, std::string_view action, std::string_view sql) const {
    const char* message = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(rc);
    EngineErrorContext context;
    context.action = action;
    context.sql = sql;
    context.busyTimeoutMs = busyTimeoutMs_;
    context.readOnly = readOnly_;
    if (NamesFile(rc)) context.path = path_;
    RaiseEngine(rc, message, context);
}

StatementHandle Session::Prepare(std::string_view sql, bool persistent) {
    sqlite3* db = Require("Connection");
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    StartCall();
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                      persistent ? SQLITE_PREPARE_PERSISTENT : 0, &raw, &tail);
    StatementHandle stmt(raw);
    if (rc != SQLITE_OK) Raise(rc, "preparing", sql);
    if (!stmt)
        throw _com_error(hr::kErrorsInCommand, kProviderSource,
                         "Invalid SQL statement: the command text is empty.");
    const size_t used = static_cast<size_t>(tail - sql.data());
    if (!IsBlank(sql.substr(used)))
        throw _com_error(hr::kErrorsInCommand, kProviderSource,
                         "Characters found after end of SQL statement: one command runs one statement (" +
                             std::string(sql) + ")");
    return stmt;
}

StatementHandle Session::Query(std::string_view sql, const std::string& param) {
    StatementHandle stmt = Prepare(sql);
    sqlite3_bind_text(stmt.get(), 1, param.data(), static_cast<int>(param.size()), SQLITE_TRANSIENT);
    return stmt;
}

bool Session::Step(sqlite3_stmt* stmt) {
    StartCall();
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // Take the message before the reset, which would otherwise clear it on some paths.
    const std::string message = sqlite3_errmsg(db_.get());
    const char* sql = sqlite3_sql(stmt);
    sqlite3_reset(stmt);
    EngineErrorContext context;
    context.action = "running";
    context.sql = sql ? sql : "";
    context.busyTimeoutMs = busyTimeoutMs_;
    context.readOnly = readOnly_;
    if (NamesFile(rc)) context.path = path_;
    RaiseEngine(rc, message, context);
}

void Session::Exec(std::string_view sql) {
    StatementHandle stmt = Prepare(sql);
    while (Step(stmt.get())) {
    }
}

void Session::Register(SqliteRecordset* rs) {
    rs->prev_ = nullptr;
    rs->next_ = openRecordsets_;
    if (openRecordsets_) openRecordsets_->prev_ = rs;
    openRecordsets_ = rs;
}

void Session::Unregister(SqliteRecordset* rs) {
    if (rs->prev_) rs->prev_->next_ = rs->next_;
    else if (openRecordsets_ == rs) openRecordsets_ = rs->next_;
    if (rs->next_) rs->next_->prev_ = rs->prev_;
    rs->prev_ = rs->next_ = nullptr;
}

void Session::Close() {
    while (openRecordsets_) openRecordsets_->Release();
    cache_.Clear();
    transactionDepth = 0;
    db_.reset();
}

// ---- ScopedTransaction ----

ScopedTransaction::ScopedTransaction(Session& session)
    : session_(session), nested_(!sqlite3_get_autocommit(session.Require("Connection"))) {
    // IMMEDIATE takes the write lock at once, so a busy database fails before any work.
    session_.Exec(nested_ ? "SAVEPOINT veltmoor_schema_change" : "BEGIN IMMEDIATE");
}

void ScopedTransaction::Commit() {
    session_.Exec(nested_ ? "RELEASE veltmoor_schema_change" : "COMMIT");
    done_ = true;
}

ScopedTransaction::~ScopedTransaction() {
    if (done_ || !session_.IsOpen()) return;
    try {
        if (nested_) {
            session_.Exec("ROLLBACK TO veltmoor_schema_change");
            session_.Exec("RELEASE veltmoor_schema_change");
        } else if (!sqlite3_get_autocommit(session_.db())) {
            session_.Exec("ROLLBACK");
        }
    } catch (const _com_error&) {
        // Nothing more can be done here; SQLite undoes an unfinished transaction
        // itself when the connection closes.
    }
}

}  // namespace veltmoor::ado::sqlite
