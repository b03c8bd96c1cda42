// What the table-check tests share: a program folder in a temporary folder with an
// embedded database (built through the embedded provider itself, or the example
// database) and a tables.xml, a dialog connected to it, and check runs.
#pragma once

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/DialogFixture.h"
#include "tests/support/LogMatchers.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

class EmbeddedSchemaTest : public ::testing::Test {
protected:
    std::string DbPath() const { return dir_.File("tarnwick.mdb"); }
    std::string ConnectionString() const { return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + DbPath(); }

    // A new database file from SQL statements (run by the sqlite3 shell).
    void CreateDatabase(const std::vector<std::string>& statements);
    // The example account database (examples/make-example-db).
    void CreateExampleDatabase();
    void Exec(const std::string& sql);
    // The rows of a query, the named columns of each as text (NULL as "NULL").
    std::vector<std::vector<std::string>> Query(const std::string& sql, const std::vector<std::string>& columns);
    std::string Scalar(const std::string& sql, const std::string& column);
    // The SQL of every table, index and trigger, to tell whether anything changed.
    std::vector<std::vector<std::string>> SchemaSql();

    void WriteTablesXml(const std::string& xml) { dir_.Write("tables.xml", xml); }
    void UseExampleTablesXml();

    // The dialog, made and connected on first use.
    CVeltmoorDlg& Dialog();
    // One press of "Check Tables" with "Fix Errors" as given; the log afterwards.
    std::vector<LogEntry> CheckTables(bool fixErrors);

    TempDir dir_;
    std::unique_ptr<CVeltmoorDlg> dialog_;
};

// The lines a table that matches its description gets in the main pass.
inline std::vector<LineMatcher> CleanTable(const std::string& table) { return TableBlock(table); }

// Text of a small tables.xml: <VELTMOOR><TABLES>body</TABLES></VELTMOOR>.
std::string TablesXml(const std::string& body);

}  // namespace veltmoor::test
