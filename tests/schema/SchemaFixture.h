// What the table-check tests share: a program folder with a tables.xml, a dialog
// connected to a real SQLite file there or to the scripted SQL Server, and the log
// in a short form so that whole runs fit in tables.
#pragma once

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/CString.h"
#include "base/Support.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/ScriptedConnection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

using Lines = std::vector<std::string>;
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An error block as Shortened() writes it.
inline std::string Err(const std::string& tracer, HRESULT code) {
    return Format("ERROR %s %08lx", tracer.c_str(), static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
}

// The log with a table's header as "<T>", its closing lines as "</>", an error block
// as Err(tracer, code) and a coloured line as "(colour) text".
inline Lines Shortened(const std::vector<LogEntry>& log) {
    auto at = [&](size_t i, const std::string& prefix) {
        return i < log.size() && log[i].colour == 8 && log[i].text.rfind(prefix, 0) == 0;
    };
    Lines out;
    for (size_t i = 0; i < log.size(); ++i) {
        const std::string& text = log[i].text;
        if (text == "  " && at(i + 1, "Exception Recorded") && at(i + 2, "Code = ") && at(i + 3, "Msg: ") &&
            at(i + 4, "Source: ") && at(i + 5, "Description: ") && at(i + 6, "Tracer: CVeltmoorDlg::") &&
            at(i + 7, std::string("** Email ") + kSupportEmail + " with this log if this problem persists")) {
            out.push_back("ERROR " + log[i + 6].text.substr(22) + " " + log[i + 2].text.substr(7));
            i += 7;
        } else if (log[i] == Plain("--- Checking Complete ---") && i + 1 < log.size() && log[i + 1] == Plain("  ")) {
            out.push_back("</>");
            ++i;
        } else if (text.rfind("--- Checking table: ", 0) == 0 && text.size() > 24 && log[i].colour == -1) {
            out.push_back("<" + text.substr(20, text.size() - 24) + ">");
        } else {
            out.push_back(log[i].colour == -1 ? text : Format("(%d) %s", log[i].colour, text.c_str()));
        }
    }
    return out;
}

class SchemaTest : public ::testing::Test {
protected:
    std::string Db() const { return dir_.File("tarnwick.mdb"); }
    // Runs SQL on the database file with SQLite itself (making the file if need be):
    // the rows, each as its values joined by '|'.
    Lines Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(Db().c_str(), &db);
        Lines rows;
        char* error = nullptr;
        auto add = [](void* out, int n, char** values, char**) {
            std::string row;
            for (int i = 0; i < n; ++i) row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
            static_cast<Lines*>(out)->push_back(row);
            return 0;
        };
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), add, &rows, &error), SQLITE_OK) << (error ? error : "") << sql;
        sqlite3_free(error);
        sqlite3_close(db);
        return rows;
    }
    void CreateExampleDatabase() {
        ASSERT_EQ(std::system((VELTMOOR_EXAMPLES_DIR "/make-example-db '" + Db() + "'").c_str()), 0);
        std::filesystem::copy_file(VELTMOOR_EXAMPLES_DIR "/tables.xml", dir_.File("tables.xml"));
    }
    void Describe(const std::string& body) {
        dir_.Write("tables.xml", "<?xml version=\"1.0\"?>\n<VELTMOOR><TABLES>" + body + "</TABLES></VELTMOOR>\n");
    }

    // The dialog, connected on first use: to the scripted server when server_ is set
    // (with numbered GUIDs from 0x1000 on), else to the database file.
    CVeltmoorDlg& Dialog() {
        if (dialog_) return *dialog_;
        dialog_ = MakeDialog(dir_.Folder());
        dialog_->m_bBackupBeforeRepair = false;  // the backup has a test of its own
        if (!server_) {
            ConnectDialog(*dialog_, "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + Db());
            return *dialog_;
        }
        dialog_->m_guidSource = [n = 0x1000u]() mutable {
            Guid guid;
            guid.data1 = n++;
            guid.data4[7] = 1;
            return guid;
        };
        ConnectDialog(*dialog_, "Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=ftp", sql_.Factory());
        sql_.ClearRecord();
        return *dialog_;
    }
    // One press of "Check Tables".
    Lines Check(bool fixErrors) {
        SetFixErrors(Dialog(), fixErrors);
        Dialog().OnCheckTables();
        return Shortened(LogEntries(Dialog()));
    }
    // One pass, as "Check Tables" runs it, on a cleared log.
    Lines Pass(bool identityPass, bool fixErrors) {
        Dialog().m_wndLog.Clear();
        Dialog().m_tally.Reset();
        Dialog().m_bFixErrors = fixErrors ? 1 : 0;
        passResult_ = Dialog().CheckTables(identityPass);
        return Shortened(LogEntries(Dialog()));
    }
    std::vector<int> Tally() { return {Dialog().m_tally.findings, Dialog().m_tally.fixed, Dialog().m_tally.errors}; }

    TempDir dir_;
    ScriptedConnection sql_;
    bool server_ = false;
    bool passResult_ = false;
    std::unique_ptr<CVeltmoorDlg> dialog_;
};

}  // namespace veltmoor::test
