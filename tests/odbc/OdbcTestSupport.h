// Shared fixture of the ODBC provider tests: a temporary folder with a SQLite file
// reached through ADODB.Connection, unixODBC and Debian's SQLite3 ODBC driver.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "db/ado/Connection.h"

namespace veltmoor::ado::test {

class OdbcSqliteTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // "Provider=MSDASQL;Driver={...};Database=<file>" for the fixture's database.
    std::string ConnectionString(const std::string& file = "x.db") const;
    // A connection opened through CreateConnection() on that string.
    ConnectionPtr Open(const std::string& file = "x.db") const;

    std::filesystem::path dir_;
};

// The driver as odbcinst.ini names it, or the library's path where it is not
// registered; fails the test when neither loads.
const std::string& SqliteDriver();

// Runs `f` and returns the _com_error it raised; a test failure when it raised none.
_com_error ErrorOf(const std::function<void()>& f);

// Every row of a recordset, each value in its text form ("NULL" for null).
std::vector<std::vector<std::string>> Rows(const RecordsetPtr& rs, const std::vector<std::string>& fields);

}  // namespace veltmoor::ado::test
