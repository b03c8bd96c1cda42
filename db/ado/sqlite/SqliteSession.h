// The state one open SQLite connection shares with its recordsets and catalog: the
// database handle, the open recordsets, the transaction depth and the timeouts.
// Recordsets and catalogs hold it by shared_ptr; Close() closes every open
// recordset and the database, after which every use raises "closed".
// One thread at a time (the database is opened without SQLite's own mutex).
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <map>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/ado/sqlite/SqliteErrors.h"
#include "db/ado/sqlite/SqliteHandles.h"

namespace veltmoor::ado::sqlite {

class SqliteRecordset;

// How long a statement waits for a lock another connection holds: the command
// timeout, but never more than this, so that a locked database fails soon.
inline constexpr int kMaxBusyWaitMs = 5000;

class Session {
public:
    Session(DatabaseHandle db, std::string path, ReadOnly readOnly, long commandTimeoutSeconds);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool IsOpen() const { return static_cast<bool>(db_); }
    sqlite3* db() const { return db_.get(); }
    // The open database, or raises "closed" naming `what`.
    sqlite3* Require(const char* what) const;
    const std::string& path() const { return path_; }
    ReadOnly readOnly() const { return readOnly_; }

    // Command timeout in seconds (0: no limit); sets the busy wait as described above.
    void SetCommandTimeout(long seconds);
    int busyTimeoutMs() const { return busyTimeoutMs_; }

    // Jet's @@IDENTITY: the table the connection's last INSERT went into, and the
    // rowid it created (none when it created no row or failed).
    struct LastInsert {
        std::string table;
        std::optional<std::int64_t> rowid;
    };
    LastInsert lastInsert;
    // Whether each table's autonumber is its rowid, as of one schema version.
    struct Autonumbers {
        int schemaVersion = -1;
        std::map<std::string, bool> tables;
    };
    Autonumbers autonumbers;
    // PRAGMA schema_version, which every change to the schema renews, by this
    // connection or another; -1 when it cannot be read. Never raises.
    int SchemaVersion() noexcept;

    // Prepares one statement; raises when SQLite rejects it or when text other
    // than blanks and comments follows it. The statement comes back to the session
    // when its handle goes, reset, and serves the next Prepare of the same text.
    // An error names `shown` (the text with its values) when given, else sql.
    StatementHandle Prepare(std::string_view sql, std::string_view shown = {});
    // A kept statement of exactly this text, or none. Never raises.
    StatementHandle TakeKept(std::string_view sql) noexcept;
    // Resets a statement whose handle went and keeps it (finalizes it once closed).
    void Keep(sqlite3_stmt* stmt) noexcept;
    // Prepares a statement with one text parameter (?1) bound to param.
    StatementHandle Query(std::string_view sql, const std::string& param);
    // Steps once: true on a row, false when done; raises (after resetting) on failure.
    bool Step(sqlite3_stmt* stmt);
    // Runs a statement that returns no rows to completion.
    void Exec(std::string_view sql);
    // Raises the error SQLite reports for rc, with the action and statement for context.
    [[noreturn]] void Raise(int rc, std::string_view action, std::string_view sql) const;

    // Called before every call into SQLite that may run statements, so that the
    // command timeout counts from the start of each call.
    void StartCall() {
        ++callGeneration_;
        busyWaitedMs_ = 0;
    }

    // Nesting depth of BeginTrans.
    int transactionDepth = 0;

    // Open recordsets, closed together with the connection.
    void Register(SqliteRecordset* rs);
    void Unregister(SqliteRecordset* rs);

    // Closes every open recordset and the database (an open transaction is rolled
    // back by SQLite). Idempotent.
    void Close();

private:
    static int OnProgress(void* self);
    // Waits for another connection's lock up to the busy timeout, counting how long.
    static int OnBusy(void* self, int count);
    EngineErrorContext Context(std::string_view action, std::string_view sql, int rc) const;

    // Preparing costs more than running most of the program's statements, which
    // repeat: catalog queries per table, savepoints, a repair's INSERT.
    static constexpr size_t kKeptStatements = 32;

    DatabaseHandle db_;
    std::vector<std::pair<std::string, StatementHandle>> kept_;  // the most recently used last
    std::string path_;
    ReadOnly readOnly_;
    SqliteRecordset* openRecordsets_ = nullptr;  // intrusive list through the recordsets
    int busyTimeoutMs_ = kMaxBusyWaitMs;
    int busyWaitedMs_ = 0;  // of the current call
    std::chrono::steady_clock::time_point busyStart_{};
    long commandTimeoutSeconds_ = 0;
    unsigned long callGeneration_ = 0;
    unsigned long seenGeneration_ = 0;
    std::chrono::steady_clock::time_point callStart_{};
};

// A transaction the provider itself needs (a table rebuild): BEGIN IMMEDIATE, or a
// SAVEPOINT when the connection is inside the caller's transaction. Rolls back
// when destroyed uncommitted; never copied.
class ScopedTransaction {
public:
    explicit ScopedTransaction(Session& session);
    ~ScopedTransaction();
    ScopedTransaction(const ScopedTransaction&) = delete;
    ScopedTransaction& operator=(const ScopedTransaction&) = delete;
    void Commit();
    bool nested() const { return nested_; }

private:
    Session& session_;
    bool nested_;
    bool done_ = false;
};

// A text column of the current row; NULL reads as the empty text.
inline std::string ColumnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? text : "";
}

}  // namespace veltmoor::ado::sqlite
