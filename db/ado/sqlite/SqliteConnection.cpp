#include "db/ado/sqlite/SqliteConnection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/CString.h"
#include "db/ado/ClosedRecordset.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/SqliteCatalog.h"
#include "db/ado/sqlite/SqliteRecordset.h"

namespace veltmoor::ado::sqlite {

namespace {
// A folder of our own, removed with everything in it when the object goes.
struct PrivateFolder {
    std::string path;
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};
}  // namespace

// Recordsets and catalogs share the session, as ADO's keep their connection: the
// database closes when the last of them goes, or at once on Close().
SqliteConnection::~SqliteConnection() = default;

void SqliteConnection::Open(const std::string&, const std::string&, const std::string&, long) {
    throw _com_error(hr::kObjectOpen, kProviderSource, "Operation is not allowed when the object is open.");
}

void SqliteConnection::Close() {
    session_->Require("Connection.Close");
    session_->Close();
}

RecordsetPtr SqliteConnection::Execute(const std::string& sql) { return ExecuteWith(sql, {}); }

RecordsetPtr SqliteConnection::ExecuteWith(const std::string& sql, const std::vector<std::int64_t>& values) {
    sqlite3* db = session_->Require("Connection.Execute");
    // @@IDENTITY answers for the last INSERT, so a failed or empty one answers NULL.
    std::string target = InsertTarget(sql);
    const bool insert = !target.empty();
    if (insert) session_->lastInsert = {std::move(target), std::nullopt};
    StatementHandle stmt = session_->Prepare(RewriteIdentity(sql), values.empty() ? "" : WithValues(sql, values));
    for (size_t i = 0; i < values.size(); ++i) sqlite3_bind_int64(stmt.get(), static_cast<int>(i + 1), values[i]);
    if (sqlite3_column_count(stmt.get()) == 0) {
        while (session_->Step(stmt.get())) {
        }
        if (insert && sqlite3_changes(db) > 0) session_->lastInsert.rowid = sqlite3_last_insert_rowid(db);
        return ClosedRecordset();
    }
    auto rs = std::make_shared<SqliteRecordset>(session_, std::move(stmt));
    rs->Start();
    return RecordsetPtr(rs);
}

void SqliteConnection::BeginTrans() {
    session_->Require("Connection.BeginTrans");
    const int depth = session_->transactionDepth;
    session_->Exec(depth == 0 ? std::string("BEGIN IMMEDIATE") : Format("SAVEPOINT veltmoor_trans_%d", depth));
    session_->transactionDepth = depth + 1;
}

void SqliteConnection::CommitTrans() {
    sqlite3* db = session_->Require("Connection.CommitTrans");
    const int depth = session_->transactionDepth;
    if (depth == 0) RaiseProvider(kNoTransaction, "CommitTrans without BeginTrans: no transaction is active.");
    if (depth == 1) {
        if (sqlite3_get_autocommit(db)) {
            // SQLite already ended it (a failed statement rolled it back): nothing was committed.
            session_->transactionDepth = 0;
            RaiseProvider(kNoTransaction,
                          "CommitTrans: the transaction was already rolled back by the database after an error.");
        }
        session_->Exec("COMMIT");
    } else {
        session_->Exec(Format("RELEASE veltmoor_trans_%d", depth - 1));
    }
    session_->transactionDepth = depth - 1;
}

void SqliteConnection::RollbackTrans() {
    sqlite3* db = session_->Require("Connection.RollbackTrans");
    const int depth = session_->transactionDepth;
    if (depth == 0) RaiseProvider(kNoTransaction, "RollbackTrans without BeginTrans: no transaction is active.");
    if (depth == 1) {
        // When SQLite has already rolled the transaction back, the wish is fulfilled.
        if (!sqlite3_get_autocommit(db)) session_->Exec("ROLLBACK");
    } else {
        session_->Exec(Format("ROLLBACK TO veltmoor_trans_%d", depth - 1));
        session_->Exec(Format("RELEASE veltmoor_trans_%d", depth - 1));
    }
    session_->transactionDepth = depth - 1;
}

std::shared_ptr<CatalogBackend> SqliteConnection::Catalog() {
    session_->Require("Connection.Catalog");
    return std::make_shared<SqliteCatalog>(session_);
}

std::string SqliteConnection::QuickCheck() {
    sqlite3* db = session_->Require("Connection.QuickCheck");
    session_->StartCall();
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(3)", -1, &raw, nullptr);
    StatementHandle stmt(raw);
    std::string found;
    while (rc == SQLITE_OK && (rc = sqlite3_step(raw)) == SQLITE_ROW) {
        const std::string row = ColumnText(raw, 0);
        if (row != "ok") found += (found.empty() ? "" : "; ") + row;
        rc = SQLITE_OK;
    }
    if (rc == SQLITE_DONE) return found;
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) return sqlite3_errmsg(db);
    session_->Raise(rc, "checking the integrity of the database", "PRAGMA quick_check");
}

std::string SqliteConnection::BackupTo(const std::string& path) {
    // 1. Copy into a folder of our own (mode 0700) made beside the backup: no other
    //    user can put a link or a file of theirs under a name that SQLite opens there.
    // 2. Give the complete copy the backup's name with link(), which never replaces a
    //    file and never follows a link at that name; a taken name gives the next one.
    // 3. The private folder goes with whatever is left in it, on success or failure,
    //    so a half copy or its journal never stays behind.
    sqlite3* source = session_->Require("Connection.BackupTo");
    const auto fail = [&](const std::string& why) {
        RaiseProvider(hr::kFail, "The backup of the database '" + session_->path() + "' could not be written to '" +
                                     path + "': " + why);
    };
    const std::filesystem::path target(path);
    std::string folder = (target.parent_path() / ".veltmoor-backup-XXXXXX").string();
    if (!::mkdtemp(folder.data())) fail(std::strerror(errno));
    const PrivateFolder scratch{folder};
    const std::string copy = folder + "/copy";
    struct stat info {};
    const mode_t mode = ::stat(session_->path().c_str(), &info) == 0 ? (info.st_mode & 0666) : 0600;
    const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) fail(std::strerror(errno));
    ::close(fd);

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(copy.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW,
                             nullptr);
    DatabaseHandle written(raw);
    if (rc == SQLITE_OK) {
        session_->StartCall();
        sqlite3_backup* backup = sqlite3_backup_init(written.get(), "main", source, "main");
        if (!backup) rc = sqlite3_errcode(written.get());
        else if ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_DONE) rc = sqlite3_backup_finish(backup);
        else sqlite3_backup_finish(backup);
    }
    // Closing writes the last of it; only a file closed without error is a backup.
    if (rc == SQLITE_OK) rc = sqlite3_close(written.release());
    if (rc != SQLITE_OK) fail(sqlite3_errstr(rc));

    std::string name = path;
    for (int n = 2; ::link(copy.c_str(), name.c_str()) != 0; ++n) {
        if (errno != EEXIST || n > 9999) fail(std::strerror(errno));
        name = (target.parent_path() / (target.stem().string() + "-" + std::to_string(n) +
                                        target.extension().string())).string();
    }
    return name;
}

}  // namespace veltmoor::ado::sqlite
