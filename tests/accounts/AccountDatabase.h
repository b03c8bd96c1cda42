// Builds account databases for the tests: the five tables the account check
// reads, as an SQLite file the embedded provider opens, with accounts whose
// links the test chooses.
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
        if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot create " + path_);
        sqlite3_busy_timeout(db_, 5000);
        if (create) Exec(R"(
            CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT NOT NULL DEFAULT 1);
            CREATE TABLE QUOTAS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_QUOTA BIT NOT NULL DEFAULT 1);
            CREATE TABLE RATIOS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_RATIO BIT NOT NULL DEFAULT 1);
            CREATE TABLE FOLDERS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ACCOUNT_ID INTEGER, ROOT_ID INTEGER,
                                  NAME NVARCHAR(255), ALIAS NVARCHAR(255));
            CREATE TABLE ACCOUNTS (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME NVARCHAR(255),
                                   SETTINGS_ID INTEGER, HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID INTEGER);
        )");
    }
    ~AccountDatabase() { sqlite3_close(db_); }
    AccountDatabase(const AccountDatabase&) = delete;
    AccountDatabase& operator=(const AccountDatabase&) = delete;

    const std::string& Path() const { return path_; }
    std::string ConnectionString() const { return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + path_; }

    // An account with all four links intact; returns its ID.
    long AddSoundAccount(const std::string& name) {
        Exec("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (1)");
        const long settings = LastId();
        Exec("INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (1)");
        const long quota = LastId();
        Exec("INSERT INTO RATIOS (ENABLE_RATIO) VALUES (1)");
        const long ratio = LastId();
        Exec("INSERT INTO FOLDERS (ACCOUNT_ID, ROOT_ID, NAME, ALIAS) VALUES (0, 0, 'x', '/')");
        const long folder = LastId();
        return AddAccount(name, settings, folder, quota, ratio);
    }

    // An account with the given link values (nullopt: NULL); returns its ID.
    long AddAccount(const std::optional<std::string>& name, std::optional<long> settings, std::optional<long> folder,
                    std::optional<long> quota, std::optional<long> ratio) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db_,
                           "INSERT INTO ACCOUNTS (NAME, SETTINGS_ID, HOME_FOLDER_ID, QUOTA_ID, RATIO_ID) "
                           "VALUES (?, ?, ?, ?, ?)",
                           -1, &stmt, nullptr);
        if (name) sqlite3_bind_text(stmt, 1, name->c_str(), -1, SQLITE_TRANSIENT);
        int i = 2;
        for (const auto& v : {settings, folder, quota, ratio}) {
            if (v) sqlite3_bind_int64(stmt, i, *v);
            ++i;
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
        return LastId();
    }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in " + sql);
        }
    }

    // The first column of every row of a query, as text ("NULL" for NULL).
    std::vector<std::string> Column(const std::string& sql) {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            out.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(stmt);
        return out;
    }
    // Every row of every table, each value quoted as SQL writes it.
    std::vector<std::string> Dump() {
        std::vector<std::string> out;
        for (const std::string& table : Column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
            std::string columns;
            for (const std::string& c : Column("SELECT name FROM pragma_table_info('" + table + "')"))
                columns += (columns.empty() ? "quote(" : " || ',' || quote(") + c + ")";
            for (std::string& row : Column("SELECT '" + table + ":' || " + columns + " FROM " + table + " ORDER BY rowid"))
                out.push_back(std::move(row));
        }
        return out;
    }
    std::string Value(const std::string& sql) {
        auto column = Column(sql);
        return column.empty() ? std::string("<no row>") : column.front();
    }

private:
    long LastId() const { return static_cast<long>(sqlite3_last_insert_rowid(db_)); }
    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace veltmoor::test
