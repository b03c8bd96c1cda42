// The one way failures reach the operator: a fixed block of lines in the log.
#include "accounts/AccountRun.h"
#include "app/VeltmoorDlg.h"
#include "base/Support.h"

namespace veltmoor {

namespace {
// Error blocks are drawn in colour 8 (yellow).
CString InErrorColour(const CString& text) { return InColour(8, text); }

// Component texts go into the log as they are; an absent one is said plainly so
// that support can tell it from an empty text.
CString OrNone(const _com_error& error, const std::string& text) {
    return error.HasErrorInfo() ? text : CString("(none)");
}
}  // namespace

void CVeltmoorDlg::RecordException(const _com_error& error, CString tracer, bool writeToLog) {
    if (!writeToLog) return;
    ++m_tally.errors;
    // An account check holds its error blocks with the lines of an uncommitted batch.
    if (m_accountRun && m_accountRun->HoldError(error, tracer)) return;
    WriteErrorBlock(error, tracer);
}

void CVeltmoorDlg::WriteErrorBlock(const _com_error& error, const CString& tracer) {
    if (m_errorSink) m_errorSink(error, tracer);
    m_wndLog.AddLine("  ");
    m_wndLog.AddLine(InErrorColour("Exception Recorded"));
    m_wndLog.AddLine(InErrorColour("Code = " + ErrorCodeText(error.Error())));
    m_wndLog.AddLine(InErrorColour(Format("Msg: %s", error.ErrorMessage().c_str())));
    m_wndLog.AddLine(InErrorColour(Format("Source: %s", OrNone(error, error.Source()).c_str())));
    m_wndLog.AddLine(InErrorColour(Format("Description: %s", OrNone(error, error.Description()).c_str())));
    m_wndLog.AddLine(InErrorColour(Format("Tracer: %s", tracer.c_str())));
    m_wndLog.AddLine(InErrorColour(Format("** Email %s with this log if this problem persists", kSupportEmail)));
}

}  // namespace veltmoor
