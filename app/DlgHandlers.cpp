// The main dialog's buttons: the two check runs, copying the log, help.
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include "app/Resources.h"
#include "app/VeltmoorDlg.h"
#include "base/Support.h"

namespace veltmoor {

void CVeltmoorDlg::OnCheckTables() {
    UpdateData(true);
    m_wndLog.Clear();
    m_tally.Reset();
    if (!CheckTables(true)) return;
    if (m_bFixErrors == 1) {
        // The main pass must see the catalog as the rebuild left it: reconnect.
        // A failing Close is reported like any other database error, and the
        // reopen is still tried, since OpenConnection starts from a new object.
        if (m_pConnection) {
            try {
                m_pConnection->Close();
            } catch (const _com_error& error) {
                RecordException(error, "CVeltmoorDlg::OnCheckTables", true);
            }
        }
        OpenConnection();
    }
    m_wndLog.AddLine("  ");
    CheckTables(false);
}

void CVeltmoorDlg::OnCheckAccounts() {
    UpdateData(true);
    m_wndLog.Clear();
    m_tally.Reset();
    CheckAccounts();
}

void CVeltmoorDlg::OnCopyLog() {
    const CString text = m_wndLog.GetText();
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    ShowMessage(QStringLiteral("Data copied to the clipboard."));
}

void CVeltmoorDlg::OnHelp() {
    ShowMessage(QStringLiteral("No help available yet. Contact %1 for any inquiries").arg(kSupportEmail));
}

void CVeltmoorDlg::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramName), text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace veltmoor
