#include "db/ado/Connection.h"

namespace veltmoor::ado {

void CatalogBackend::CreateTable(const TableDef& table) {
    throw _com_error(hr::kNotSupported, "ADOX.Catalog",
                     "Creating table [" + table.name + "] is not supported on this database.");
}

std::string WithValues(const std::string& sql, const std::vector<std::int64_t>& values) {
    std::string out;
    out.reserve(sql.size() + 20 * values.size());
    size_t next = 0;
    char closing = '\0';  // the quote or bracket the text is inside of
    for (char c : sql) {
        if (closing) {
            closing = c == closing ? '\0' : closing;
        } else if (c == '\'' || c == '"') {
            closing = c;
        } else if (c == '[') {
            closing = ']';
        } else if (c == '?' && next < values.size()) {
            out += std::to_string(values[next++]);
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace veltmoor::ado
