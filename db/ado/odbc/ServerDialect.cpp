#include "db/ado/odbc/ServerDialect.h"

#include "base/CString.h"

namespace veltmoor::ado::odbc {

namespace {

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || AsciiUpper(c) != AsciiLower(c) || c == '_' || c == '$';
}

// Reads blanks, then `word` (any case) followed by a blank; false when it is not there.
bool Keyword(const std::string& sql, size_t& pos, const char* word) {
    while (pos < sql.size() && IsAsciiSpace(sql[pos])) ++pos;
    const std::string w = word;
    if (sql.size() - pos < w.size() || !EqualsNoCase(sql.substr(pos, w.size()), w)) return false;
    pos += w.size();
    return pos == sql.size() || !IsNameChar(sql[pos]);
}

}  // namespace

std::string ServerDialect::QuoteName(const std::string& name) const {
    const char quote = engine_ == Engine::MariaDb ? '`' : '"';
    std::string out(1, quote);
    for (char c : name) {
        if (c == quote) out += quote;
        out += c;
    }
    return out + quote;
}

std::string ServerDialect::Literal(const std::string& text) const {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || (c == '\\' && engine_ == Engine::MariaDb)) out += c;
        out += c;
    }
    return out + "'";
}

std::string ServerDialect::TranslateBrackets(const std::string& sql) const {
    std::string out;
    out.reserve(sql.size() + 8);
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"' || c == '`') {
            // A literal or quoted name is copied as it stands (a doubled quote stays inside).
            const size_t end = sql.find(c, i + 1);
            const size_t stop = end == std::string::npos ? sql.size() : end + 1;
            out.append(sql, i, stop - i);
            i = stop - 1;
            continue;
        }
        const size_t close = c == '[' ? sql.find(']', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += c;
            continue;
        }
        const std::string name = sql.substr(i + 1, close - i - 1);
        out += QuoteName(engine_ == Engine::PostgreSql ? ToLower(name) : name);
        i = close;
    }
    return out;
}

std::optional<std::string> ServerDialect::IdentityQuery(const std::string& sql) {
    size_t pos = 0;
    if (!Keyword(sql, pos, "SELECT") || !Keyword(sql, pos, "@@IDENTITY") || !Keyword(sql, pos, "AS")) return std::nullopt;
    while (pos < sql.size() && IsAsciiSpace(sql[pos])) ++pos;
    const size_t start = pos;
    while (pos < sql.size() && IsNameChar(sql[pos])) ++pos;
    if (pos == start || WithoutTerminator(sql).size() != pos) return std::nullopt;
    return sql.substr(start, pos - start);
}

std::optional<std::string> ServerDialect::InsertTarget(const std::string& sql) {
    size_t pos = 0;
    if (!Keyword(sql, pos, "INSERT") || !Keyword(sql, pos, "INTO")) return std::nullopt;
    while (pos < sql.size() && IsAsciiSpace(sql[pos])) ++pos;
    if (pos < sql.size() && sql[pos] == '[') {
        const size_t close = sql.find(']', pos);
        if (close == std::string::npos) return std::nullopt;
        return sql.substr(pos + 1, close - pos - 1);
    }
    const size_t start = pos;
    while (pos < sql.size() && IsNameChar(sql[pos])) ++pos;
    if (pos == start) return std::nullopt;
    return sql.substr(start, pos - start);
}

std::string ServerDialect::WithoutTerminator(const std::string& sql) {
    size_t end = sql.size();
    while (end > 0 && (IsAsciiSpace(sql[end - 1]) || sql[end - 1] == ';')) --end;
    return sql.substr(0, end);
}

}  // namespace veltmoor::ado::odbc
