// The main dialog's buttons: the two check runs, copying the log, help; and what
// keeps a run from making the database worse (integrity first, backup before repair).
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <ctime>

#include "app/Resources.h"
#include "app/VeltmoorDlg.h"
#include "base/Support.h"

namespace veltmoor {

void CVeltmoorDlg::OnCheckTables() {
    UpdateData(true);
    BeginRun();
    if (!CheckIntegrity()) return;
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
    BeginRun();
    if (!CheckIntegrity()) return;
    CheckAccounts();
}

void CVeltmoorDlg::BeginRun() {
    m_wndLog.Clear();
    m_tally.Reset();
    m_repairsAllowed.reset();
}

bool CVeltmoorDlg::CheckIntegrity() {
    // A damaged file is never repaired link by link: what a damaged page hides would be
    // reported as missing and "fixed" on top of the damage.
    try {
        // Without an open connection the run itself reports why.
        if (!m_pConnection || m_pConnection->State() != ado::adStateOpen) return true;
        const CString file = m_pConnection->DatabaseFile();
        if (file.empty()) return true;
        const CString damage = m_pConnection->QuickCheck();
        if (damage.empty()) return true;
        throw _com_error(hr::kFail, kProgramName,
                         Format("The database file '%s' is damaged (%s). Nothing was checked and nothing was "
                                "written. Recover what it holds into a new file with: sqlite3 '%s' \".recover\" | "
                                "sqlite3 NEW.db, check NEW.db, and name it as the data source.",
                                file.c_str(), damage.c_str(), file.c_str()));
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::CheckIntegrity", true);
    }
    return false;
}

bool CVeltmoorDlg::PrepareRepair() {
    if (!m_repairsAllowed) m_repairsAllowed = BackUpBeforeFirstRepair();
    return *m_repairsAllowed;
}

namespace {
// "<file>.<YYYYMMDD-HHMMSS>.bak"; the provider takes "-2", "-3"... before ".bak" when taken.
CString BackupName(const CString& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return Format("%s.%s.bak", file.c_str(), stamp);
}
}  // namespace

bool CVeltmoorDlg::BackUpBeforeFirstRepair() {
    // 1. A read-only connection can repair nothing: say so once, for the whole run.
    // 2. An embedded database is copied beside itself with SQLite's online backup
    //    (servers keep their own backups), unless the caller asked for none.
    // 3. The log says where the copy is, before the first repair's line.
    try {
        if (m_pConnection->IsReadOnly()) throw _com_error(hr::kFail, kProgramName, m_pConnection->ReadOnlyReason());
        const CString file = m_pConnection->DatabaseFile();
        if (file.empty() || !m_bBackupBeforeRepair) return true;
        const CString backup = m_pConnection->BackupTo(BackupName(file));
        m_wndLog.AddLine(InColour(3, Format("--- Backup of the database written to %s", backup.c_str())));
        return true;
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::PrepareRepair", true);
    }
    return false;
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
