// Test helpers for the SQLite provider: a database file in a fresh temporary folder,
// set up and inspected through SQLite's own API, and opened through the data-access layer.
#pragma once

#include <gmock/gmock.h>

#include <string>

#include "db/ado/Connection.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/SqliteFile.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

using ::testing::HasSubstr;

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
    SqliteFile& raw() { return raw_; }
    TempDir dir_;
    std::string dbPath_ = dir_.File("tarnwick.mdb");
    SqliteFile raw_{dbPath_};  // the file behind the provider's back
};

}  // namespace veltmoor::test
