#include "tests/support/DialogFixture.h"

#include "base/CString.h"
#include "base/Support.h"

namespace veltmoor::test {

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
