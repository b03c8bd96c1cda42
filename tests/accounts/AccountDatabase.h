// Account databases for the tests: the five tables the account check reads, as an
// SQLite file the embedded provider opens, with accounts whose links the test chooses.
#pragma once

#include <optional>
#include <string>

#include "tests/support/SqliteFile.h"

namespace veltmoor::test {

class AccountDatabase : public SqliteFile {
public:
    // create false: opens an existing file as it is.
    explicit AccountDatabase(std::string path, bool create = true) : SqliteFile(std::move(path)) {
        if (create) Exec(R"(
            CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT NOT NULL DEFAULT 1);
            CREATE TABLE QUOTAS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_QUOTA BIT NOT NULL DEFAULT 1);
            CREATE TABLE RATIOS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ENABLE_RATIO BIT NOT NULL DEFAULT 1);
            CREATE TABLE FOLDERS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ACCOUNT_ID INTEGER, ROOT_ID INTEGER,
                                  NAME NVARCHAR(255), ALIAS NVARCHAR(255));
            CREATE TABLE ACCOUNTS (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME NVARCHAR(255),
                                   SETTINGS_ID INTEGER, HOME_FOLDER_ID INTEGER, QUOTA_ID INTEGER, RATIO_ID INTEGER);)");
    }
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
};

}  // namespace veltmoor::test
