#include "tests/schema/SchemaFixture.h"

#include <cstdlib>
#include <filesystem>

#include "db/ado/Connection.h"

namespace veltmoor::test {

void EmbeddedSchemaTest::CreateDatabase(const std::vector<std::string>& statements) {
    // The provider opens existing database files only: the sqlite3 shell makes it.
    std::string script = "PRAGMA user_version = 1;\n";
    for (const auto& sql : statements) script += sql + ";\n";
    const std::string scriptFile = dir_.Write("create.sql", script);
    const std::string command = "sqlite3 -bail '" + DbPath() + "' < '" + scriptFile + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void EmbeddedSchemaTest::CreateExampleDatabase() {
    const std::string command = std::string(VELTMOOR_EXAMPLES_DIR) + "/make-example-db '" + DbPath() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void EmbeddedSchemaTest::UseExampleTablesXml() {
    std::filesystem::copy_file(std::string(VELTMOOR_EXAMPLES_DIR) + "/tables.xml", dir_.File("tables.xml"),
                               std::filesystem::copy_options::overwrite_existing);
}

void EmbeddedSchemaTest::Exec(const std::string& sql) {
    ado::ConnectionPtr connection = ado::CreateConnection();
    connection->Open(ConnectionString(), "", "", 0);
    connection->Execute(sql);
    connection->Close();
}

std::vector<std::vector<std::string>> EmbeddedSchemaTest::Query(const std::string& sql,
                                                                const std::vector<std::string>& columns) {
    ado::ConnectionPtr connection = ado::CreateConnection();
    connection->Open(ConnectionString(), "", "", 0);
    std::vector<std::vector<std::string>> rows;
    {
        ado::RecordsetPtr rs = connection->Execute(sql);
        while (rs->State() == ado::adStateOpen && !rs->IsEOF()) {
            std::vector<std::string> row;
            for (const auto& column : columns) {
                const _variant_t value = rs->GetField(column);
                row.push_back(value.IsNull() ? "NULL" : value.ToString());
            }
            rows.push_back(std::move(row));
            rs->MoveNext();
        }
    }
    connection->Close();
    return rows;
}

std::string EmbeddedSchemaTest::Scalar(const std::string& sql, const std::string& column) {
    auto rows = Query(sql, {column});
    return rows.empty() ? std::string("(no row)") : rows.front().front();
}

std::vector<std::vector<std::string>> EmbeddedSchemaTest::SchemaSql() {
    return Query("SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY type, name",
                 {"type", "name", "sql"});
}

CVeltmoorDlg& EmbeddedSchemaTest::Dialog() {
    if (!dialog_) {
        dialog_ = MakeDialog(dir_.Folder());
        dialog_->m_bBackupBeforeRepair = false;  // the backup has tests of its own
        ConnectDialog(*dialog_, ConnectionString());
    }
    return *dialog_;
}

std::vector<LogEntry> EmbeddedSchemaTest::CheckTables(bool fixErrors) {
    CVeltmoorDlg& dialog = Dialog();
    SetFixErrors(dialog, fixErrors);
    dialog.OnCheckTables();
    return LogEntries(dialog);
}

std::string TablesXml(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<VELTMOOR><TABLES>" + body + "</TABLES></VELTMOOR>\n";
}

}  // namespace veltmoor::test
