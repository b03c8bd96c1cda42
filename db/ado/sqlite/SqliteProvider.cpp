// Opening the embedded database: the SQLite file named by "data source", checked
// before SQLite sees it so that each way of failing has a clear description.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/CString.h"
#include "base/RegularFile.h"
#include "db/ado/EmbeddedFile.h"
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

// ADO's Mode: "Read", "Write", "ReadWrite", "Share Deny None|Read|Write",
// "Share Exclusive", their numbers (ConnectModeEnum), joined by '|'. Reading only
// is what Read and Share Deny Write ask for when no write access is asked for too.
bool ModeIsReadOnly(const std::string& mode) {
    static const std::pair<const char*, int> kNames[] = {
        {"READ", 1}, {"WRITE", 2}, {"READWRITE", 3}, {"SHARE DENY READ", 4}, {"SHARE DENY WRITE", 8},
        {"SHARE EXCLUSIVE", 12}, {"SHARE DENY NONE", 16}, {"RECURSIVE", 0x400000}};
    int bits = 0;
    size_t start = 0;
    while (start <= mode.size()) {
        const size_t bar = std::min(mode.find('|', start), mode.size());
        const std::string part = ToUpper(Trim(std::string_view(mode).substr(start, bar - start)));
        start = bar + 1;
        if (part.empty()) continue;
        int value = -1;
        for (const auto& [name, number] : kNames)
            if (part == name) value = number;
        if (value < 0 && part.find_first_not_of("0123456789") == std::string::npos && part.size() < 9)
            value = std::stoi(part);
        if (value < 0)
            throw _com_error(hr::kInvalidArg, kProviderSource,
                             "The connection string's Mode '" + mode + "' is not an ADO connection mode (Read, Write, "
                             "ReadWrite, Share Deny None, Share Deny Read, Share Deny Write, Share Exclusive).");
        bits |= value;
    }
    return (bits & 2) == 0 && ((bits & 1) != 0 || (bits & 12) == 8);
}

// The first bytes of the file decide what it is: SQLite, a newer Access (ACE)
// database, which nothing here reads, or something else. Jet files never come here.
void CheckFile(const std::string& path, sqlite::ReadOnly& readOnly) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            CannotOpen("Could not find file '" + path + "'. The database file must exist; it is never created.");
        CannotOpen("Could not open file '" + path + "': " + std::strerror(error) + ".");
    }
    if (S_ISDIR(info.st_mode)) CannotOpen("'" + path + "' is a folder, not a database file.");
    if (!S_ISREG(info.st_mode)) CannotOpen("'" + path + "' is " + NotRegularFile(path) + ", not a database file.");
    if (info.st_size == 0) CannotOpen("'" + path + "' is empty: it is not a database file.");

    std::string why;
    const int fd = OpenRegularFile(path, why);
    if (fd < 0) CannotOpen("Could not read file '" + path + "': " + why + ".");
    char header[0x15] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    const EmbeddedFormat format = FormatOfHeader(std::string_view(header, got > 0 ? static_cast<size_t>(got) : 0));
    if (format == EmbeddedFormat::Ace)
        CannotOpen("'" + path +
                   "' is a Microsoft Access 2007 or later (ACE) database, which this program cannot read. Save it in "
                   "Access as an Access 2002-2003 database (.mdb), which this program checks read-only, or " +
                   MdbToolsConversion(path) + ".");
    if (format != EmbeddedFormat::Sqlite)
        CannotOpen("'" + path + "' is not a database file: it is neither an SQLite nor a Jet database.");

    // A file without write permission opens for reading only, even for a user whom
    // the system would let write it: its writes then fail with a clear error. So
    // does one in a folder that cannot be written (an immutable or read-only one):
    // SQLite makes its journal beside the file, and its first write would fail.
    if (::access(path.c_str(), W_OK) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        readOnly = sqlite::ReadOnly::NoWritePermission;
    else if (::access(std::filesystem::path(path).parent_path().c_str(), W_OK) != 0)
        readOnly = sqlite::ReadOnly::FolderNotWritable;
}

}  // namespace

std::shared_ptr<Connection> OpenSqliteProvider(const ConnectionString& cs, const OpenOptions& options) {
    const std::optional<std::string> source = EmbeddedDataSource(cs);
    if (!source || source->empty())
        CannotOpen("The connection string names no database file: it has no \"Data Source\" key.");
    const std::string& path = *source;
    sqlite::ReadOnly readOnly = sqlite::ReadOnly::No;
    CheckFile(path, readOnly);
    if (ModeIsReadOnly(cs.Get("Mode").value_or(""))) readOnly = sqlite::ReadOnly::Requested;

    // Never SQLITE_OPEN_CREATE: a missing database is an error, not a new empty one.
    const int flags = (readOnly != sqlite::ReadOnly::No ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
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
