#include "tests/support/DialogFixture.h"

#include "base/CString.h"
#include "base/Support.h"

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

void PrintTo(const LogEntry& entry, std::ostream* os) { *os << "{" << entry.colour << ", \"" << entry.text << "\"}"; }

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

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Err(const std::string& tracer, HRESULT code) {
    return Format("ERROR %s %08lx", tracer.c_str(), static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
}

Lines NotLocated(const std::string& table) {
    return {"(4) ** Table [" + table + "] could not be located!!",
            "(4) ** If you are using sql server verify that the table is not owned by another user.",
            "(4) ** email: support@veltmoor.example for help."};
}

Lines Shortened(const std::vector<LogEntry>& log) {
    auto at = [&](size_t i, const std::string& prefix) {
        return i < log.size() && log[i].colour == 8 && log[i].text.starts_with(prefix);
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
        } else if (text.starts_with("--- Checking table: ") && text.ends_with(" ---") && log[i].colour == -1) {
            out.push_back("<" + text.substr(20, text.size() - 24) + ">");
        } else {
            out.push_back(log[i].colour == -1 ? text : Format("(%d) %s", log[i].colour, text.c_str()));
        }
    }
    return out;
}

}  // namespace veltmoor::test
