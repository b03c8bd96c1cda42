#include <gtest/gtest.h>

#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {

RawDb::RawDb(const std::string& path, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
        ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
    sqlite3_busy_timeout(db_, 2000);
}

RawDb::~RawDb() { sqlite3_close_v2(db_); }

int RawDb::TryExec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }

void RawDb::Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << (error ? error : "?");
        sqlite3_free(error);
    }
}

std::vector<std::string> RawDb::Rows(const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
        return rows;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            if (i) row += '|';
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            row += text ? text : "NULL";
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    return rows;
}

std::string RawDb::Scalar(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() ? std::string("<no row>") : rows.front();
}

SqliteTest::SqliteTest() : dbPath_(dir_.File("tarnwick.mdb")), raw_(std::make_unique<RawDb>(dbPath_)) {
    // A file that SQLite has written its header to; tests add their tables.
    raw_->Exec("PRAGMA user_version = 1");
}

std::string SqliteTest::ConnectionStringFor(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + path;
}

ado::ConnectionPtr SqliteTest::Open(long commandTimeout) {
    ado::ConnectionPtr connection = ado::CreateConnection();
    connection->PutCommandTimeout(commandTimeout);
    connection->Open(ConnectionStringFor(dbPath_), "", "", 0);
    return connection;
}

}  // namespace veltmoor::test
