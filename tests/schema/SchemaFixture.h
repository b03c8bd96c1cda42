// What the table-check tests share: a program folder with a tables.xml, a dialog connected to a real SQLite file
// there or to the scripted SQL Server, and the log in a short form so that whole runs fit in tables.
#pragma once

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/CString.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/ScriptedConnection.h"
#include "tests/support/SqliteFile.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

// A table's lines in the main pass: its header, body and closing lines.
inline Lines Block(std::string name, const Lines& body = {}) { return Lines{"<" + name + ">"} + body + Lines{"</>"}; }
// The format filled in with each name in turn.
inline Lines Each(const char* format, std::initializer_list<const char*> names) {
    Lines out;
    for (const char* name : names) out.push_back(Format(format, name));
    return out;
}

class SchemaTest : public ::testing::Test {
protected:
    std::string Db() const { return dir_.File("tarnwick.mdb"); }
    // Runs SQL on the database file with SQLite itself (making the file if need be):
    // the rows, each as its values joined by '|'.
    Lines Sql(const std::string& sql) { return SqliteFile(Db()).Exec(sql, "|"); }
    void CreateExampleDatabase() {
        ASSERT_EQ(std::system((VELTMOOR_EXAMPLES_DIR "/make-example-db '" + Db() + "'").c_str()), 0);
        std::filesystem::copy_file(VELTMOOR_EXAMPLES_DIR "/tables.xml", dir_.File("tables.xml"));
    }
    void Describe(const std::string& body) {
        dir_.Write("tables.xml", "<?xml version=\"1.0\"?>\n<VELTMOOR><TABLES>" + body + "</TABLES></VELTMOOR>\n");
    }

    // The dialog, connected on first use: to the scripted server when server_ is set,
    // else to the database file. GUIDs are numbered from 0x1000 on.
    CVeltmoorDlg& Dialog() {
        if (dialog_) return *dialog_;
        dialog_ = MakeDialog(dir_.Folder());
        dialog_->m_bBackupBeforeRepair = false;  // the backup has a test of its own
        dialog_->m_guidSource = [n = 0x1000u]() mutable { return Guid{n++}; };
        dialog_->m_findingSink = [this](const CVeltmoorDlg::Finding& f) { reported_.push_back(f.fixed); };
        if (server_) ConnectDialog(*dialog_, "Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=ftp", sql_.Factory());
        else ConnectDialog(*dialog_, "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + Db());
        sql_.ClearRecord();
        return *dialog_;
    }
    // One press of "Check Tables".
    Lines Check(bool fixErrors) {
        SetFixErrors(Dialog(), fixErrors);
        reported_.clear();
        Dialog().OnCheckTables();
        return Shortened(LogEntries(Dialog()));
    }
    // One pass, as "Check Tables" runs it, on a cleared log.
    Lines Pass(bool identityPass, bool fixErrors) {
        Dialog().m_wndLog.Clear();
        Dialog().m_tally.Reset();
        reported_.clear();
        Dialog().m_bFixErrors = fixErrors ? 1 : 0;
        passResult_ = Dialog().CheckTables(identityPass);
        return Shortened(LogEntries(Dialog()));
    }
    // Findings, fixed, errors; every finding counted must also have been reported as
    // data exactly once, with the same outcome.
    std::vector<int> Tally() {
        const CheckTally& t = Dialog().m_tally;
        EXPECT_EQ(reported_.size(), static_cast<size_t>(t.findings)) << "findings reported as data";
        EXPECT_EQ(std::count(reported_.begin(), reported_.end(), true), t.fixed) << "fixed findings reported as data";
        return {t.findings, t.fixed, t.errors};
    }

    TempDir dir_;
    ScriptedConnection sql_;
    bool server_ = false;
    bool passResult_ = false;
    std::vector<bool> reported_;  // the outcome of each finding the sink received
    std::unique_ptr<CVeltmoorDlg> dialog_;
};

}  // namespace veltmoor::test
