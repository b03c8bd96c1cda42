// Opening the embedded database: the SQLite file named by "data source", checked
// before SQLite sees it so that each way of failing has a clear description.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/CString.h"
#include "db/ado/Providers.h"
#include "db/ado/sqlite/SqliteConnection.h"
#include "db/ado/sqlite/SqliteErrors.h"
#include "db/ado/sqlite/SqliteSession.h"

namespace veltmoor::ado {

namespace {

using sqlite::kProviderSource;

[[noreturn]] void CannotOpen(const std::string& description) {
    throw _com_error(hr::kDataSourceFailed, kProviderSource, description);
}

// The first bytes of the file decide what it is: SQLite, a genuine Jet/Access
// database (which this provider cannot read), or something else.
void CheckFile(const std::string& path, bool& readOnly) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            CannotOpen("Could not find file '" + path + "'. The database file must exist; it is never created.");
        CannotOpen("Could not open file '" + path + "': " + std::strerror(error) + ".");
    }
    if (S_ISDIR(info.st_mode)) CannotOpen("'" + path + "' is a folder, not a database file.");
    if (info.st_size == 0) CannotOpen("'" + path + "' is empty: it is not a database file.");

    std::ifstream file(path, std::ios::binary);
    if (!file) CannotOpen("Could not read file '" + path + "': " + std::strerror(errno) + ".");
    char header[20] = {};
    file.read(header, sizeof header);
    const std::string bytes(header, static_cast<size_t>(file.gcount()));
    if (bytes.size() >= 19 && (bytes.compare(4, 15, "Standard Jet DB") == 0 || bytes.compare(4, 15, "Standard ACE DB") == 0))
        CannotOpen("'" + path +
                   "' is a Microsoft Access (Jet/ACE) database; this program reads SQLite databases. Convert it with "
                   "Debian's mdbtools: mdb-schema '" + path + "' sqlite | sqlite3 NEW.db, then for each table that "
                   "mdb-tables lists, mdb-export -I sqlite '" + path + "' TABLE | sqlite3 NEW.db; then name NEW.db as "
                   "the data source.");
    if (bytes.size() < 16 || bytes.compare(0, 16, std::string("SQLite format 3\0", 16)) != 0)
        CannotOpen("'" + path + "' is not a database file: it is neither an SQLite nor a Jet database.");

    // A file without write permission opens for reading only, even for a user whom
    // the system would let write it: its writes then fail with a clear error.
    readOnly = ::access(path.c_str(), W_OK) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::shared_ptr<Connection> OpenSqliteProvider(const ConnectionString& cs, const OpenOptions& options) {
    const std::optional<std::string> source = cs.GetAny({"Data Source", "DataSource", "DBQ"});
    if (!source || source->empty())
        CannotOpen("The connection string names no database file: it has no \"Data Source\" key.");
    const std::string& path = *source;
    bool readOnly = false;
    CheckFile(path, readOnly);

    // Never SQLITE_OPEN_CREATE: a missing database is an error, not a new empty one.
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    sqlite::DatabaseHandle db(raw);
    if (rc != SQLITE_OK) {
        sqlite::EngineErrorContext context;
        context.action = "opening";
        context.path = path;
        sqlite::RaiseEngine(rc, raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc), context);
    }
    sqlite3_extended_result_codes(db.get(), 1);

    auto session = std::make_shared<sqlite::Session>(std::move(db), path, readOnly, options.commandTimeout);
    // Reading the schema proves the file is a readable database now, not at the first query.
    session->Exec("SELECT count(*) FROM sqlite_master");
    return std::make_shared<sqlite::SqliteConnection>(session);
}

}  // namespace veltmoor::ado
