#include "tests/support/DialogFixture.h"

#include "base/CString.h"

#include <QCheckBox>
#include <ostream>
#include <stdexcept>

namespace veltmoor::test {

std::unique_ptr<CVeltmoorDlg> MakeDialog(const std::string& programFolder) {
    auto dialog = std::make_unique<CVeltmoorDlg>(nullptr, programFolder + "veltmoor");
    dialog->m_strProgramFolder = programFolder;
    dialog->m_wndLog.Create(dialog.get(), QRect(9, 99, 639, 261), CVeltmoorDlg::IDC_LOG_WINDOW);
    return dialog;
}

void ConnectDialog(CVeltmoorDlg& dialog, const std::string& connectionString,
                   std::function<ado::ConnectionPtr()> factory) {
    if (factory) dialog.m_connectionFactory = std::move(factory);
    dialog.m_strConnectionString = connectionString;
    dialog.OpenConnection();
}

void SetFixErrors(CVeltmoorDlg& dialog, bool fix) {
    auto* box = qobject_cast<QCheckBox*>(dialog.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS));
    if (!box) throw std::logic_error("the dialog has no \"Fix Errors\" box");
    box->setChecked(fix);
    dialog.m_bFixErrors = fix ? 1 : 0;
}

std::vector<std::string> LogLines(const CVeltmoorDlg& dialog) {
    const std::string text = dialog.m_wndLog.GetText();
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

void PrintTo(const LogEntry& entry, std::ostream* os) {
    *os << "{" << entry.colour << ", \"" << entry.text << "\"}";
}

std::vector<LogEntry> LogEntries(const CVeltmoorDlg& dialog) {
    std::vector<LogEntry> entries;
    for (const LogLine& line : dialog.m_wndLog.Model().Lines()) {
        LogEntry entry{-1, std::string(line.Text())};
        bool first = true;
        for (const ColourSegment& segment : line.Segments()) {
            if (first) entry.colour = segment.numbers.text;
            else if (segment.numbers.text != entry.colour) entry.colour = -2;
            first = false;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace veltmoor::test
