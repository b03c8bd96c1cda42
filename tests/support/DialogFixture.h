// Helpers for tests that run the dialog's members: a dialog whose log window is created (on the offscreen platform,
// without OnInitDialog, so nothing is opened), a way to hand it a connection, and the log read back as lines.
#pragma once

#include <QCheckBox>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/VeltmoorDlg.h"
#include "base/CString.h"

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
inline void SetFixErrors(CVeltmoorDlg& dialog, bool fix) {
    auto* box = qobject_cast<QCheckBox*>(dialog.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS));
    if (!box) throw std::logic_error("the dialog has no \"Fix Errors\" box");
    box->setChecked(fix);
    dialog.m_bFixErrors = fix ? 1 : 0;
}

// The log's lines as plain text (the lines of GetText).
inline std::vector<std::string> LogLines(const CVeltmoorDlg& dialog) {
    std::vector<std::string> lines;
    for (const LogLine& line : dialog.m_wndLog.Model().Lines()) lines.emplace_back(line.Text());
    return lines;
}

// A log line as shown: its text and the palette number of its text colour (-1 the
// default colour, -2 when the line changes colour part-way).
struct LogEntry {
    int colour = -1;
    std::string text;
    bool operator==(const LogEntry&) const = default;
};
inline void PrintTo(const LogEntry& e, std::ostream* os) { *os << "{" << e.colour << ", \"" << e.text << "\"}"; }
inline LogEntry Plain(std::string text) { return {-1, std::move(text)}; }
inline LogEntry Yellow(std::string text) { return {8, std::move(text)}; }  // error blocks

inline std::vector<LogEntry> LogEntries(const CVeltmoorDlg& dialog) {
    std::vector<LogEntry> entries;
    for (const LogLine& line : dialog.m_wndLog.Model().Lines()) {
        const std::vector<ColourSegment> segments = line.Segments();
        int colour = segments.empty() ? -1 : segments.front().numbers.text;
        for (const ColourSegment& segment : segments) colour = segment.numbers.text == colour ? colour : -2;
        entries.push_back({colour, std::string(line.Text())});
    }
    return entries;
}

// The log in a short form, so that whole runs fit in tables of expected lines: a
// table's header as "<T>", its closing lines as "</>", an error block as
// Err(tracer without "CVeltmoorDlg::", code) and a coloured line as "(colour) text".
using Lines = std::vector<std::string>;
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline std::string Err(const std::string& tracer, HRESULT code) {
    return Format("ERROR %s %08lx", tracer.c_str(), static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
}
Lines Shortened(const std::vector<LogEntry>& log);
// The short form of the red lines that say a described table is not in the database.
inline Lines NotLocated(const std::string& table) {
    return {"(4) ** Table [" + table + "] could not be located!!",
            "(4) ** If you are using sql server verify that the table is not owned by another user.",
            "(4) ** email: support@veltmoor.example for help."};
}

}  // namespace veltmoor::test
