// Account databases for the tests: the five tables the account check reads, as an
// SQLite file the embedded provider opens, with accounts whose links the test chooses.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace veltmoor::test {

class AccountDatabase {
public:
    // create false: opens an existing file as it is.
    explicit AccountDatabase(std::string path, bool create = true) : path_(std::move(path)) {
        if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path_);
        sqlite3_busy_timeout(db_, 5000);
        if (create) Exec(R"(
            CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT NOT NULL DEFAULT 1);
            CREATE TABLE QUOTAS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_QUOTA BIT NOT NULL DEFAULT 1);
            CREATE TABLE RATIOS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_RATIO BIT NOT NULL DEFAULT 1);
            CREATE TABLE FOLDERS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ACCOUNT_ID INTEGER, ROOT_ID INTEGER,
                                  NAME NVARCHAR(255), ALIAS NVARCHAR(255));
            CREATE TABLE ACCOUNTS (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME NVARCHAR(255),
                                   SETTINGS_ID INTEGER, HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID INTEGER);)");
    }
    ~AccountDatabase() { sqlite3_close(db_); }
    AccountDatabase(const AccountDatabase&) = delete;
    AccountDatabase& operator=(const AccountDatabase&) = delete;

    const std::string& Path() const { return path_; }
    std::string ConnectionString() const { return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + path_; }

    // An account with all four links intact; returns its ID.
    long AddSoundAccount(const std::string& name) {
        Exec("INSERT INTO SETTINGS DEFAULT VALUES; INSERT INTO QUOTAS DEFAULT VALUES; INSERT INTO RATIOS DEFAULT VALUES;"
             "INSERT INTO FOLDERS (ACCOUNT_ID, ROOT_ID, NAME, ALIAS) VALUES (0, 0, 'x', '/')");
        auto last = [&](const char* table) { return std::stol(Value(std::string("SELECT MAX(ID) FROM ") + table)); };
        return AddAccount(name, last("SETTINGS"), last("FOLDERS"), last("QUOTAS"), last("RATIOS"));
    }
    // An account with the given link values (nullopt: NULL); returns its ID.
    long AddAccount(const std::optional<std::string>& name, std::optional<long> settings, std::optional<long> folder,
                    std::optional<long> quota, std::optional<long> ratio) {
        char* quoted = sqlite3_mprintf("%Q", name ? name->c_str() : nullptr);
        std::string sql = "INSERT INTO ACCOUNTS (NAME, SETTINGS_ID, HOME_FOLDER_ID, QUOTA_ID, RATIO_ID) VALUES (" + std::string(quoted);
        sqlite3_free(quoted);
        for (const auto& v : {settings, folder, quota, ratio}) sql += v ? "," + std::to_string(*v) : std::string(",NULL");
        Exec(sql + ")");
        return static_cast<long>(sqlite3_last_insert_rowid(db_));
    }
    // Runs SQL; returns every row of its results, the values joined by ',' (NULL as "NULL").
    std::vector<std::string> Exec(const std::string& sql) {
        std::vector<std::string> rows;
        auto row = [](void* out, int count, char** values, char**) {
            std::string text;
            for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::string(values[i] ? values[i] : "NULL");
            static_cast<std::vector<std::string>*>(out)->push_back(text);
            return 0;
        };
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), row, &rows, &error) == SQLITE_OK) return rows;
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message + " in " + sql);
    }
    std::string Value(const std::string& sql) { const auto rows = Exec(sql); return rows.empty() ? "<no row>" : rows[0]; }
    // Every row of every table.
    std::vector<std::string> Dump() {
        std::vector<std::string> out;
        for (const std::string& table : Exec("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
            for (std::string& row : Exec("SELECT '" + table + "', * FROM " + table + " ORDER BY rowid"))
                out.push_back(std::move(row));
        return out;
    }

private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace veltmoor::test
