// Test helpers for the SQLite provider: a database file in a fresh temporary folder,
// set up and inspected through SQLite's own API, and opened through the data-access layer.
#pragma once

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <string>

#include "db/ado/Connection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

using ::testing::HasSubstr;

// A direct SQLite connection behind the provider's back.
class RawDb {
public:
    explicit RawDb(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_busy_timeout(db_, 2000);
    }
    ~RawDb() { sqlite3_close_v2(db_); }
    int TryExec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
    void Exec(const std::string& sql) { EXPECT_EQ(TryExec(sql), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db_); }
    // Every row of a query: values joined by '|' (NULL as "NULL"), rows by '\n'.
    std::string Query(const std::string& sql) {
        std::string out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
        for (int row = 0; stmt && sqlite3_step(stmt) == SQLITE_ROW; ++row)
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                out += std::string(i ? "|" : row ? "\n" : "") + (text ? text : "NULL");
            }
        sqlite3_finalize(stmt);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

// The code and description of the error a call raises ({0, ""} when it raises none).
struct Raised { HRESULT code = 0; std::string text; };
template <class F>
Raised ErrorOf(F&& f) {
    try {
        f();
    } catch (const _com_error& e) {
        return {e.Error(), e.Description()};
    }
    return {};
}

class SqliteTest : public ::testing::Test {
protected:
    SqliteTest() { raw_.Exec("PRAGMA user_version = 1"); }  // a file with SQLite's header
    static std::string ConnectionStringFor(const std::string& p) { return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + p; }
    ado::ConnectionPtr Open(long commandTimeout = 30) {
        ado::ConnectionPtr connection = ado::CreateConnection();
        connection->PutCommandTimeout(commandTimeout);
        connection->Open(ConnectionStringFor(dbPath_), "", "", 0);
        return connection;
    }
    RawDb& raw() { return raw_; }
    TempDir dir_;
    std::string dbPath_ = dir_.File("tarnwick.mdb");
    RawDb raw_{dbPath_};
};

}  // namespace veltmoor::test
