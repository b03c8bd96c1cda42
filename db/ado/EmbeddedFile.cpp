#include "db/ado/EmbeddedFile.h"

#include <unistd.h>

#include "base/RegularFile.h"

namespace veltmoor::ado {

EmbeddedFormat FormatOfHeader(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.substr(0, 16) == "SQLite format 3\0"sv) return EmbeddedFormat::Sqlite;
    if (bytes.size() < 0x15) return EmbeddedFormat::Other;
    const std::string_view magic = bytes.substr(4, 16);
    if (magic == "Standard ACE DB\0"sv) return EmbeddedFormat::Ace;
    if (magic != "Standard Jet DB\0"sv) return EmbeddedFormat::Other;
    switch (bytes[0x14]) {
        case 0: return EmbeddedFormat::Jet3;
        case 1: return EmbeddedFormat::Jet4;
        default: return EmbeddedFormat::Ace;  // a later Access version in the Jet header
    }
}

EmbeddedFormat FormatOfFile(const std::string& path) {
    std::string why;
    const int fd = OpenRegularFile(path, why);  // a FIFO at that name must not block the program
    if (fd < 0) return EmbeddedFormat::Other;
    char header[0x15] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    return FormatOfHeader(std::string_view(header, got > 0 ? static_cast<size_t>(got) : 0));
}

std::optional<std::string> EmbeddedDataSource(const ConnectionString& cs) {
    return cs.GetAny({"Data Source", "DataSource", "DBQ"});
}

std::string MdbToolsConversion(const std::string& path) {
    return "convert it with Debian's mdbtools: mdb-schema '" + path + "' sqlite | sqlite3 NEW.db, then for each table "
           "that mdb-tables lists, mdb-export -I sqlite '" + path + "' TABLE | sqlite3 NEW.db; then name NEW.db as "
           "the data source";
}

}  // namespace veltmoor::ado
