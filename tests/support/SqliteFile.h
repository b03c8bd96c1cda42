// An SQLite file opened with SQLite's own API (made when it is missing), beside the
// connections under test: to set up damage and to read back what a run left.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace veltmoor::test {

class SqliteFile {
public:
    explicit SqliteFile(std::string path) : path_(std::move(path)) {
        if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path_);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~SqliteFile() { sqlite3_close(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    const std::string& Path() const { return path_; }
    std::string ConnectionString() const { return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + path_; }

    // Runs SQL; returns every row of its results, the values joined by separator (NULL as "NULL").
    // Raises std::runtime_error with SQLite's message when a statement fails.
    std::vector<std::string> Exec(const std::string& sql, const char* separator = ",") {
        struct Out { std::vector<std::string> rows; const char* separator; } out{{}, separator};
        auto row = [](void* to, int count, char** values, char**) {
            Out& o = *static_cast<Out*>(to);
            std::string text;
            for (int i = 0; i < count; ++i) text += (i ? o.separator : "") + std::string(values[i] ? values[i] : "NULL");
            o.rows.push_back(text);
            return 0;
        };
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), row, &out, &error) == SQLITE_OK) return out.rows;
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message + " in " + sql);
    }
    // SQLite's result code, for statements that are meant to fail.
    int TryExec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
    // The first row of a query ("<no row>" when there is none).
    std::string Value(const std::string& sql) { const auto rows = Exec(sql); return rows.empty() ? "<no row>" : rows[0]; }
    // Every row of a query: values joined by '|', rows by '\n'.
    std::string Query(const std::string& sql) {
        const std::vector<std::string> rows = Exec(sql, "|");
        std::string out;
        for (size_t i = 0; i < rows.size(); ++i) out += (i ? "\n" : "") + rows[i];
        return out;
    }
    // Every row of every table.
    std::vector<std::string> Dump() {
        std::vector<std::string> out;
        for (const std::string& table : Exec("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
            for (std::string& row : Exec("SELECT '" + table + "', * FROM " + table + " ORDER BY rowid"))
                out.push_back(std::move(row));
        return out;
    }

protected:
    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace veltmoor::test
