#include "db/ado/sqlite/SqliteSession.h"

#include <algorithm>
#include <thread>

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
// A statement the provider runs inside SQLite's own callbacks, where nothing may raise:
// kept like the others, none when it cannot be prepared.
StatementHandle Internal(Session& session, const char* sql) {
    StatementHandle stmt = session.TakeKept(sql);
    if (sqlite3_stmt* raw = nullptr; !stmt && sqlite3_prepare_v2(session.db(), sql, -1, &raw, nullptr) == SQLITE_OK)
        stmt = StatementHandle(raw, {&session});
    return stmt;
}

// True when the table's autonumber column is its rowid alias (INTEGER PRIMARY KEY
// of a rowid table), so that last_insert_rowid() is the ID an INSERT generated.
// A "DESC" key or a WITHOUT ROWID table gets an index of its own ('pk'). The answer
// holds until the schema changes (here or in another connection).
bool HasRowidAutonumber(Session& session, const std::string& table) {
    const int now = session.SchemaVersion();
    if (now < 0) return false;
    Session::Autonumbers& known = session.autonumbers;
    if (now != known.schemaVersion) known = {now, {}};
    if (const auto found = known.tables.find(table); found != known.tables.end()) return found->second;
    StatementHandle stmt = Internal(session,
        "SELECT (SELECT COUNT(*) FROM pragma_table_info(?1) WHERE pk > 0) = 1"
        " AND EXISTS (SELECT 1 FROM pragma_table_info(?1) WHERE pk = 1 AND upper(type) = 'INTEGER')"
        " AND NOT EXISTS (SELECT 1 FROM pragma_index_list(?1) WHERE origin = 'pk')");
    if (!stmt) return false;
    sqlite3_bind_text(stmt.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    const bool answer = sqlite3_step(stmt.get()) == SQLITE_ROW && sqlite3_column_int(stmt.get(), 0) == 1;
    known.tables[table] = answer;
    return answer;
}

// last_insert_rowid() as Jet's @@IDENTITY answers: the ID of the row the connection's
// last INSERT created, or NULL when that INSERT generated no autonumber value. The
// built-in would answer a rowid even for a table whose ID column is a plain INTEGER,
// and a repair would then point an account at another account's row.
void Identity(sqlite3_context* context, int, sqlite3_value**) {
    auto* session = static_cast<Session*>(sqlite3_user_data(context));
    const Session::LastInsert& last = session->lastInsert;
    if (last.rowid && HasRowidAutonumber(*session, last.table))
        sqlite3_result_int64(context, *last.rowid);
    else
        sqlite3_result_null(context);
}
}  // namespace

Session::Session(DatabaseHandle db, std::string path, ReadOnly readOnly, long commandTimeoutSeconds)
    : db_(std::move(db)), path_(std::move(path)), readOnly_(readOnly) {
    sqlite3_progress_handler(db_.get(), kProgressInterval, &Session::OnProgress, this);
    sqlite3_busy_handler(db_.get(), &Session::OnBusy, this);
    sqlite3_create_function(db_.get(), "last_insert_rowid", 0, SQLITE_UTF8, this, &Identity, nullptr, nullptr);
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
}

int Session::OnBusy(void* self, int count) {
    auto* session = static_cast<Session*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) session->busyStart_ = now;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - session->busyStart_);
    session->busyWaitedMs_ = static_cast<int>(waited.count());
    if (session->busyWaitedMs_ >= session->busyTimeoutMs_) return 0;
    // Short sleeps first, as SQLite's own busy timeout does, so that a brief lock costs little.
    const int step = count < 4 ? 1 << count : 20;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(step, session->busyTimeoutMs_ - session->busyWaitedMs_)));
    return 1;
}

EngineErrorContext Session::Context(std::string_view action, std::string_view sql, int rc) const {
    EngineErrorContext context;
    context.action = action;
    context.sql = sql;
    context.busyTimeoutMs = busyTimeoutMs_;
    context.busyWaitedMs = busyWaitedMs_;
    context.readOnly = readOnly_;
    if (NamesFile(rc)) context.path = path_;
    return context;
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
    RaiseEngine(rc, message, Context(action, sql, rc));
}

StatementHandle Session::Prepare(std::string_view sql, std::string_view shown) {
    sqlite3* db = Require("Connection");
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    StartCall();
    if (StatementHandle kept = TakeKept(sql)) return kept;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
    StatementHandle stmt(raw, {this});
    if (rc != SQLITE_OK) Raise(rc, "preparing", shown.empty() ? sql : shown);
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

int Session::SchemaVersion() noexcept {
    StatementHandle version = Internal(*this, "PRAGMA schema_version");
    return version && sqlite3_step(version.get()) == SQLITE_ROW ? sqlite3_column_int(version.get(), 0) : -1;
}

StatementHandle Session::TakeKept(std::string_view sql) noexcept {
    const auto found = std::find_if(kept_.rbegin(), kept_.rend(), [&](const auto& entry) { return entry.first == sql; });
    if (found == kept_.rend()) return {};
    StatementHandle stmt(found->second.release(), {this});
    kept_.erase(std::next(found).base());
    return stmt;
}

void Session::Keep(sqlite3_stmt* stmt) noexcept {
    sqlite3_clear_bindings(stmt);
    sqlite3_reset(stmt);  // ends the statement's read: it holds no lock once its handle is gone
    StatementHandle handle(stmt);
    const char* sql = sqlite3_sql(stmt);
    if (!db_ || !sql) return;
    try {
        kept_.emplace_back(sql, std::move(handle));
    } catch (...) {
        return;  // not kept: finalized
    }
    if (kept_.size() > kKeptStatements) kept_.erase(kept_.begin());
}

void StatementFinalizer::operator()(sqlite3_stmt* stmt) const noexcept {
    if (keeper) keeper->Keep(stmt);
    else sqlite3_finalize(stmt);
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
    // The statement is named with its values, as it was written before they were bound.
    const std::string message = sqlite3_errmsg(db_.get());
    char* expanded = sqlite3_expanded_sql(stmt);  // none when memory or SQLite's length limit is short
    const char* written = sqlite3_sql(stmt);
    const std::string sql = expanded ? expanded : written ? written : "";
    sqlite3_free(expanded);
    sqlite3_reset(stmt);
    RaiseEngine(rc, message, Context("running", sql, rc));
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
    kept_.clear();
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
