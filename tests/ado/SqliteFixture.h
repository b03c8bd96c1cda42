// Test helpers for the SQLite provider: a database file in a fresh temporary
// folder, set up and inspected through SQLite's own API, and connections to it
// through the data-access layer as the program makes them.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include <string>
#include <vector>

#include "db/ado/Connection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

// A direct SQLite connection for setting up and checking a database behind the
// provider's back. Fails the test (ADD_FAILURE) on SQL errors.
class RawDb {
public:
    explicit RawDb(const std::string& path, bool create = true);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void Exec(const std::string& sql);
    // Runs sql and returns SQLite's result code (no failure recorded).
    int TryExec(const std::string& sql);
    // The rows of a query, each row's values joined by '|' (NULL as "NULL").
    std::vector<std::string> Rows(const std::string& sql);
    std::string Scalar(const std::string& sql);
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class SqliteTest : public ::testing::Test {
protected:
    SqliteTest();
    // The database file (created by the constructor with no tables yet).
    std::string dbPath() const { return dbPath_; }
    RawDb& raw() { return *raw_; }
    static std::string ConnectionStringFor(const std::string& path);
    // A new connection to the test database through CreateConnection()->Open.
    ado::ConnectionPtr Open(long commandTimeout = 30);
    // The description of the error a callable raises, or "" when it raises none.
    template <class F>
    static std::string ErrorOf(F&& f, HRESULT* code = nullptr) {
        try {
            f();
        } catch (const _com_error& e) {
            if (code) *code = e.Error();
            return e.Description().empty() ? e.ErrorMessage() : e.Description();
        }
        return "";
    }

    TempDir dir_;
    std::string dbPath_;
    std::unique_ptr<RawDb> raw_;
};

}  // namespace veltmoor::test
