// Shared fixture of the ODBC provider tests: a SQLite file in a temporary folder, reached
// through ADODB.Connection, unixODBC and Debian's SQLite3 ODBC driver (as odbcinst.ini names it).
#pragma once

#include <gtest/gtest.h>

#include "db/ado/Connection.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TempDir.h"

namespace veltmoor::ado::test {

class OdbcSqliteTest : public ::testing::Test {
protected:
    std::string ConnectionString() const { return "Provider=MSDASQL;Driver={SQLite3};Database=" + dir_.File("x.db"); }
    ConnectionPtr Open() const {
        ConnectionPtr c = CreateConnection();
        c->Open(ConnectionString(), "", "", 0);
        return c;
    }
    veltmoor::test::TempDir dir_;
};

using veltmoor::test::ErrorOf;

// Every row of a recordset: values in their text form ("NULL" for null) joined by '|', rows by ';'.
inline std::string Rows(const RecordsetPtr& rs, const std::vector<std::string>& fields) {
    std::string out;
    for (; !rs->IsEOF(); rs->MoveNext())
        for (size_t i = 0; i < fields.size(); ++i) {
            const _variant_t v = rs->GetField(fields[i]);
            out += (i ? "|" : out.empty() ? "" : ";") + (v.IsNull() ? "NULL" : v.ToString());
        }
    return out;
}

}  // namespace veltmoor::ado::test
