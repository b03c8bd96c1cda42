// Helpers for tests that run the dialog's members: a dialog whose log window is created (on the offscreen platform,
// without OnInitDialog, so nothing is opened), a way to hand it a connection, and the log read back as lines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/VeltmoorDlg.h"

namespace veltmoor::test {

// A dialog with its log window created. programFolder (with its closing '/') is where the checks look for tables.xml;
// the program file is taken to lie in it. Needs a QApplication (the main of vm_test_main makes one).
inline std::unique_ptr<CVeltmoorDlg> MakeDialog(const std::string& programFolder = {}) {
    auto dialog = std::make_unique<CVeltmoorDlg>(nullptr, programFolder + "veltmoor");
    dialog->m_strProgramFolder = programFolder;
    dialog->m_wndLog.Create(dialog.get(), QRect(9, 99, 639, 261), CVeltmoorDlg::IDC_LOG_WINDOW);
    return dialog;
}

// Opens the dialog's connection as start-up does (OpenConnection) with that
// connection string, through factory when one is given (e.g. ScriptedConnection::Factory()).
inline void ConnectDialog(CVeltmoorDlg& dialog, const std::string& connectionString,
                          std::function<ado::ConnectionPtr()> factory = {}) {
    if (factory) dialog.m_connectionFactory = std::move(factory);
    dialog.m_strConnectionString = connectionString;
    dialog.OpenConnection();
}

// Ticks or clears the "Fix Errors" box; the check handlers read it (UpdateData).
void SetFixErrors(CVeltmoorDlg& dialog, bool fix);

// The log's lines as plain text (the lines of GetText).
std::vector<std::string> LogLines(const CVeltmoorDlg& dialog);

// A log line as shown: its text and the palette number of its text colour (-1 the
// default colour, -2 when the line changes colour part-way).
struct LogEntry {
    int colour = -1;
    std::string text;
    bool operator==(const LogEntry&) const = default;
};
void PrintTo(const LogEntry& entry, std::ostream* os);
inline LogEntry Plain(std::string text) { return {-1, std::move(text)}; }
inline LogEntry Yellow(std::string text) { return {8, std::move(text)}; }  // error blocks

std::vector<LogEntry> LogEntries(const CVeltmoorDlg& dialog);

// The log in a short form, so that whole runs fit in tables of expected lines: a
// table's header as "<T>", its closing lines as "</>", an error block as
// Err(tracer without "CVeltmoorDlg::", code) and a coloured line as "(colour) text".
using Lines = std::vector<std::string>;
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::string Err(const std::string& tracer, HRESULT code);
Lines Shortened(const std::vector<LogEntry>& log);
// The short form of the red lines that say a described table is not in the database.
inline Lines NotLocated(const std::string& table) {
    return {"(4) ** Table [" + table + "] could not be located!!",
            "(4) ** If you are using sql server verify that the table is not owned by another user.",
            "(4) ** email: support@veltmoor.example for help."};
}

}  // namespace veltmoor::test
