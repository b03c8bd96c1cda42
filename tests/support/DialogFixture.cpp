#include "tests/support/DialogFixture.h"

#include "base/CString.h"
#include "base/Support.h"

#include <QCheckBox>
#include <ostream>
#include <stdexcept>

namespace veltmoor::test {

void SetFixErrors(CVeltmoorDlg& dialog, bool fix) {
    auto* box = qobject_cast<QCheckBox*>(dialog.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS));
    if (!box) throw std::logic_error("the dialog has no \"Fix Errors\" box");
    box->setChecked(fix);
    dialog.m_bFixErrors = fix ? 1 : 0;
}

std::vector<std::string> LogLines(const CVeltmoorDlg& dialog) {
    std::vector<std::string> lines;
    for (const LogLine& line : dialog.m_wndLog.Model().Lines()) lines.emplace_back(line.Text());
    return lines;
}

void PrintTo(const LogEntry& entry, std::ostream* os) { *os << "{" << entry.colour << ", \"" << entry.text << "\"}"; }

std::vector<LogEntry> LogEntries(const CVeltmoorDlg& dialog) {
    std::vector<LogEntry> entries;
    for (const LogLine& line : dialog.m_wndLog.Model().Lines()) {
        const std::vector<ColourSegment> segments = line.Segments();
        int colour = segments.empty() ? -1 : segments.front().numbers.text;
        for (const ColourSegment& segment : segments) colour = segment.numbers.text == colour ? colour : -2;
        entries.push_back({colour, std::string(line.Text())});
    }
    return entries;
}

std::string Err(const std::string& tracer, HRESULT code) {
    return Format("ERROR %s %08lx", tracer.c_str(), static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
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
