// The account link check: every account must point at existing SETTINGS, QUOTAS,
// RATIOS and FOLDERS rows; with "Fix Errors" a missing row is made and linked.
#include <optional>
#include <tuple>

#include "app/VeltmoorDlg.h"
#include "db/ado/Transaction.h"

namespace veltmoor {

namespace {

struct LinkCheck {
    const char* query;    // "%d": the link value
    const char* message;  // the finding
    const char* insert;   // a row with neutral values
    const char* update;   // "%d": the new row's ID, then the account's ID
};

// Settings, quota and ratio links, in the order they are checked; the home folder
// comes last and has a repair of its own.
constexpr LinkCheck kSettings{"SELECT ID FROM SETTINGS WHERE ID = %d",
                              "Missing recordset in SETTINGS table", "INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)",
                              "UPDATE ACCOUNTS SET SETTINGS_ID = %d WHERE ID = %d"};
constexpr LinkCheck kQuota{"SELECT ID FROM QUOTAS WHERE ID = %d", "Missing recordset in QUOTA table",
                           "INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (0);",
                           "UPDATE ACCOUNTS SET QUOTA_ID = %d WHERE ID = %d"};
constexpr LinkCheck kRatio{"SELECT ID FROM RATIOS WHERE ID = %d", "Missing recordset in RATIO table",
                           "INSERT INTO RATIOS(ENABLE_RATIO) VALUES(0)",
                           "UPDATE ACCOUNTS SET RATIO_ID = %d WHERE ID = %d"};
constexpr const char* kFolderQuery = "SELECT ID FROM FOLDERS WHERE ID = %d";
constexpr const char* kFolderMessage = "Missing recordset in FOLDERS table";

// A whole number from a field; NULL gives nothing (a link that points nowhere).
std::optional<int> OptionalInt(const _variant_t& value) {
    if (value.IsNull()) return std::nullopt;
    return value.ToInt32();
}

// A text for a single-quoted SQL literal: quotes doubled, so that no account name
// can end the literal and run SQL of its own.
CString SqlQuoted(const CString& text) {
    CString out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

bool RowExists(const ado::ConnectionPtr& connection, const char* query, std::optional<int> id) {
    // A NULL link points at no row; it is reported and repaired like a dangling one.
    if (!id) return false;
    ado::RecordsetPtr rows = connection->Execute(Format(query, *id));
    return !rows->IsEOF();
}

}  // namespace

void CVeltmoorDlg::CheckAccounts() {
    try {
        ado::RecordsetPtr accounts =
            m_pConnection->Execute("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS");
        if (accounts->IsEOF()) {
            m_wndLog.AddLine("-- No Accounts Found in The Database --");
            return;
        }
        long checked = 0;
        for (; !accounts->IsEOF(); accounts->MoveNext()) {
            const _variant_t name = accounts->GetField("NAME");
            // A NULL name reads as an empty one; a NULL ID leaves the account
            // unrepairable (nothing could point the repair at it).
            const CString accountName = name.IsNull() ? CString() : name.ToString();
            const std::optional<int> accountId = OptionalInt(accounts->GetField("ID"));
            const std::optional<int> settings = OptionalInt(accounts->GetField("SETTINGS_ID"));
            const std::optional<int> folder = OptionalInt(accounts->GetField("HOME_FOLDER_ID"));
            const std::optional<int> quota = OptionalInt(accounts->GetField("QUOTA_ID"));
            const std::optional<int> ratio = OptionalInt(accounts->GetField("RATIO_ID"));

            m_wndLog.AddLine(Format("-- Checking Account [%s] --", accountName.c_str()));
            for (const auto& [check, value, link] : {std::tuple{&kSettings, settings, "SETTINGS_ID"},
                                                     {&kQuota, quota, "QUOTA_ID"}, {&kRatio, ratio, "RATIO_ID"}}) {
                if (RowExists(m_pConnection, check->query, value)) continue;
                ReportLink(accountName, link, check->message,
                           [&] { return RepairLink(accountId, check->insert, check->update); });
            }
            if (!RowExists(m_pConnection, kFolderQuery, folder))
                ReportLink(accountName, "HOME_FOLDER_ID", kFolderMessage,
                           [&] { return RepairHomeFolder(accountId, accountName); });
            m_wndLog.AddLine(Format("-- Finished Checking Account [%s] --", accountName.c_str()));
            m_wndLog.AddLine("  ");
            ++m_tally.accounts;
            if (m_accountProgress) m_accountProgress(++checked);
        }
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::CheckAccounts", true);
    }
}

void CVeltmoorDlg::ReportLink(const CString& account, const char* link, const char* message,
                              const std::function<bool()>& repair) {
    ++m_tally.findings;
    CString line = message;
    bool fixed = false;
    if (m_bFixErrors == 1) {
        fixed = repair();
        if (fixed) ++m_tally.fixed;
        line += fixed ? " - FIXED" : " - ATTEMPT TO FIX FAILED";
    }
    if (m_findingSink) m_findingSink({"accounts", {}, {}, {}, account, link, message, fixed});
    m_wndLog.AddLine(line);
}

bool CVeltmoorDlg::RepairLink(std::optional<int> accountId, const char* insert, const char* update) {
    // 1. Insert the neutral row, in a transaction of its own.
    // 2. Read its new ID; without one (or without an account ID to point from),
    //    roll back so that the account stays as it was and no orphan row is left.
    // 3. Point the account at the new row and commit.
    if (!accountId) return false;
    ado::Transaction transaction(m_pConnection);
    m_pConnection->Execute(insert);
    const _variant_t newId = GetInsertIdentityValue(m_pConnection);
    if (newId.IsEmptyOrNull()) return false;
    m_pConnection->Execute(Format(update, newId.ToInt32(), *accountId));
    transaction.Commit();
    return true;
}

bool CVeltmoorDlg::RepairHomeFolder(std::optional<int> accountId, const CString& accountName) {
    // 1. The folder's path: the shared FTP folder and the account's name.
    // 2. Insert the folder row (ROOT_ID -1, alias "/") in a transaction of its own
    //    and read its new ID; without one, roll back and leave the account alone.
    // 3. Make the folder its own root, point the account at it and commit.
    if (!accountId) return false;
    const CString path = Format("%s/%s", m_strSharedFolder.c_str(), accountName.c_str());
    ado::Transaction transaction(m_pConnection);
    m_pConnection->Execute(Format("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(%d,-1,'%s','/')",
                                  *accountId, SqlQuoted(path).c_str()));
    const _variant_t newId = GetInsertIdentityValue(m_pConnection);
    if (newId.IsEmptyOrNull()) return false;
    const int folderId = newId.ToInt32();
    m_pConnection->Execute(Format("UPDATE FOLDERS SET ROOT_ID=%d WHERE ID=%d;", folderId, folderId));
    m_pConnection->Execute(Format("UPDATE ACCOUNTS SET HOME_FOLDER_ID = %d WHERE ID = %d", folderId, *accountId));
    transaction.Commit();
    return true;
}

_variant_t CVeltmoorDlg::GetInsertIdentityValue(ado::ConnectionPtr connection) {
    _variant_t result;
    if (!connection) return result;
    try {
        ado::RecordsetPtr rows = connection->Execute("SELECT @@IDENTITY AS ID");
        if (!rows->IsEOF()) {
            result = rows->GetField("ID");
            rows->Close();
        }
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::GetInsertIdentityValue", true);
    }
    return result;
}

}  // namespace veltmoor
