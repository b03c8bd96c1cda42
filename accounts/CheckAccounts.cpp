// The account link check: every account must point at existing SETTINGS, QUOTAS,
// RATIOS and FOLDERS rows; with "Fix Errors" a missing row is made and linked.
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "app/Resources.h"
#include "app/VeltmoorDlg.h"
#include "db/ado/Transaction.h"

namespace veltmoor {

namespace {

struct LinkCheck {
    const char* link;     // the account's link column
    const char* table;    // where the link points
    const char* query;    // "%d": the link value
    const char* message;  // the finding
    const char* insert;   // a row with neutral values
    const char* update;   // "%d": the new row's ID, then the account's ID
};

// Settings, quota and ratio links, in the order they are checked; the home folder
// comes last and has a repair of its own.
constexpr LinkCheck kSettings{"SETTINGS_ID", "SETTINGS", "SELECT ID FROM SETTINGS WHERE ID = %d",
                              "Missing recordset in SETTINGS table", "INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)",
                              "UPDATE ACCOUNTS SET SETTINGS_ID = %d WHERE ID = %d"};
constexpr LinkCheck kQuota{"QUOTA_ID", "QUOTAS", "SELECT ID FROM QUOTAS WHERE ID = %d", "Missing recordset in QUOTA table",
                           "INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (0);",
                           "UPDATE ACCOUNTS SET QUOTA_ID = %d WHERE ID = %d"};
constexpr LinkCheck kRatio{"RATIO_ID", "RATIOS", "SELECT ID FROM RATIOS WHERE ID = %d", "Missing recordset in RATIO table",
                           "INSERT INTO RATIOS(ENABLE_RATIO) VALUES(0)",
                           "UPDATE ACCOUNTS SET RATIO_ID = %d WHERE ID = %d"};
constexpr const char* kFolderQuery = "SELECT ID FROM FOLDERS WHERE ID = %d";
constexpr const char* kFolderMessage = "Missing recordset in FOLDERS table";

constexpr const char* kAccountsQuery = "SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS";
// Accounts held in memory at a time.
constexpr size_t kBatchSize = 1000;

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

struct Account {
    std::optional<int> id;  // none: NULL, which no repair can point from
    CString name;           // a NULL name reads as an empty one
    std::optional<int> settings, folder, quota, ratio;
};

Account ReadAccount(const ado::RecordsetPtr& rows) {
    const _variant_t name = rows->GetField("NAME");
    return {OptionalInt(rows->GetField("ID")), name.IsNull() ? CString() : name.ToString(),
            OptionalInt(rows->GetField("SETTINGS_ID")), OptionalInt(rows->GetField("HOME_FOLDER_ID")),
            OptionalInt(rows->GetField("QUOTA_ID")), OptionalInt(rows->GetField("RATIO_ID"))};
}

// Up to kBatchSize accounts from the cursor, which is closed afterwards: repairs must
// not run under an open cursor, which would walk an index they change and would keep
// SQLite from waiting for another connection's lock. True when the cursor ended.
bool ReadBatch(ado::RecordsetPtr rows, std::vector<Account>& batch) {
    batch.clear();
    for (; !rows->IsEOF() && batch.size() < kBatchSize; rows->MoveNext()) batch.push_back(ReadAccount(rows));
    const bool ended = rows->IsEOF();
    rows->Close();
    return ended;
}

// The next batch in ID order from the ID `from` on (none: from the first).
CString BatchQuery(bool sqlServer, std::optional<int> from) {
    const CString where = from ? Format("ID >= %d", *from) : CString("ID IS NOT NULL");
    if (sqlServer)
        return Format("SELECT TOP %zu ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS WHERE %s ORDER BY ID",
                      kBatchSize, where.c_str());
    return Format("%s WHERE %s ORDER BY ID LIMIT %zu", kAccountsQuery, where.c_str(), kBatchSize);
}

}  // namespace

void CVeltmoorDlg::CheckAccounts() {
    // 1. Read the accounts as the plain SELECT returns them. When they fill more than
    //    a batch, read them again in ID order, batch by batch, then those without an ID.
    // 2. Check the accounts of a batch once its cursor is closed, so that each account
    //    is checked exactly once and memory stays bounded whatever their number.
    try {
        std::vector<Account> batch;
        const bool whole = ReadBatch(m_pConnection->Execute(kAccountsQuery), batch);
        if (batch.empty()) {
            m_wndLog.AddLine("-- No Accounts Found in The Database --");
            return;
        }
        long checked = 0;
        const auto check = [&](const Account& a) {
            CheckAccount(a.id, a.name, {a.settings, a.folder, a.quota, a.ratio});
            if (m_accountProgress) m_accountProgress(++checked);
        };
        if (whole) {
            std::for_each(batch.begin(), batch.end(), check);
            return;
        }
        const bool sqlServer = IsSqlServerProvider(m_pConnection);
        std::optional<int> from;
        for (bool full = true; full;) {
            ReadBatch(m_pConnection->Execute(BatchQuery(sqlServer, from)), batch);
            full = batch.size() == kBatchSize;
            if (full) {
                // Accounts sharing the last ID (an ID that lost its key) may go on in the
                // next batch: leave them all to it, so that none is skipped or seen twice.
                const int last = *batch.back().id;
                from = batch.front().id == last ? last + 1 : last;
                if (*from == last)
                    batch.erase(std::find_if(batch.begin(), batch.end(), [&](const Account& a) { return a.id == last; }),
                                batch.end());
            }
            std::for_each(batch.begin(), batch.end(), check);
        }
        // No repair writes for an account without an ID, so this cursor may stay open.
        ado::RecordsetPtr rows = m_pConnection->Execute(Format("%s WHERE ID IS NULL", kAccountsQuery));
        for (; !rows->IsEOF(); rows->MoveNext()) check(ReadAccount(rows));
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::CheckAccounts", true);
    }
}

void CVeltmoorDlg::CheckAccount(std::optional<int> accountId, const CString& accountName,
                                const std::array<std::optional<int>, 4>& links) {
    const auto& [settings, folder, quota, ratio] = links;
    m_wndLog.AddLine(Format("-- Checking Account [%s] --", accountName.c_str()));
    for (const auto& [check, value] : {std::pair{&kSettings, settings}, {&kQuota, quota}, {&kRatio, ratio}}) {
        if (RowExists(m_pConnection, check->query, value)) continue;
        ReportLink(accountName, check->link, check->message,
                   [&] { return RepairLink(accountId, check->table, check->insert, check->update); });
    }
    if (!RowExists(m_pConnection, kFolderQuery, folder))
        ReportLink(accountName, "HOME_FOLDER_ID", kFolderMessage,
                   [&] { return RepairHomeFolder(accountId, accountName); });
    m_wndLog.AddLine(Format("-- Finished Checking Account [%s] --", accountName.c_str()));
    m_wndLog.AddLine("  ");
    ++m_tally.accounts;
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

bool CVeltmoorDlg::RepairLink(std::optional<int> accountId, const char* table, const char* insert, const char* update) {
    // 1. Without an account ID nothing could point at a new row: nothing is written.
    // 2. Before the run's first write: refuse a read-only connection, back the database up.
    // 3. Insert the neutral row in a transaction of its own and take its ID; without
    //    a sound one, roll back, so that the account stays as it was and no row is left.
    // 4. Point the account at the new row and commit.
    if (!accountId || !PrepareRepair()) return false;
    ado::Transaction transaction(m_pConnection);
    m_pConnection->Execute(insert);
    const std::optional<int> newId = NewRowId(table);
    if (!newId) return false;
    m_pConnection->Execute(Format(update, *newId, *accountId));
    transaction.Commit();
    return true;
}

bool CVeltmoorDlg::RepairHomeFolder(std::optional<int> accountId, const CString& accountName) {
    // 1. Without an account ID nothing is written; before the run's first write,
    //    refuse a read-only connection and back the database up.
    // 2. Insert the folder row (ROOT_ID -1, alias "/") under the shared FTP folder, in
    //    a transaction of its own, and take its ID; without a sound one, roll back.
    // 3. Make the folder its own root, point the account at it and commit.
    if (!accountId || !PrepareRepair()) return false;
    const CString path = Format("%s/%s", m_strSharedFolder.c_str(), accountName.c_str());
    ado::Transaction transaction(m_pConnection);
    m_pConnection->Execute(Format("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(%d,-1,'%s','/')",
                                  *accountId, SqlQuoted(path).c_str()));
    const std::optional<int> folderId = NewRowId("FOLDERS");
    if (!folderId) return false;
    m_pConnection->Execute(Format("UPDATE FOLDERS SET ROOT_ID=%d WHERE ID=%d;", *folderId, *folderId));
    m_pConnection->Execute(Format("UPDATE ACCOUNTS SET HOME_FOLDER_ID = %d WHERE ID = %d", *folderId, *accountId));
    transaction.Commit();
    return true;
}

std::optional<int> CVeltmoorDlg::NewRowId(const char* table) {
    // The ID must be the new row's own: an empty identity (the table's ID column lost its
    // autonumber) or one that not exactly one row carries would point the account at a
    // row that another account owns. The embedded and ODBC databases are asked to prove it.
    const int errorsBefore = m_tally.errors;
    const _variant_t id = GetInsertIdentityValue(m_pConnection);
    if (m_tally.errors != errorsBefore) return std::nullopt;  // the query failed and said so
    CString why;
    if (id.IsEmptyOrNull()) {
        why = Format("The INSERT into %s generated no ID (@@IDENTITY is empty): its ID column is not an "
                     "autonumber column (Check Tables reports it).", table);
    } else if (IsSqlServerProvider(m_pConnection)) {
        return id.ToInt32();
    } else {
        const int value = id.ToInt32();
        const int rows = m_pConnection->Execute(Format("SELECT COUNT(*) AS N FROM %s WHERE ID = %d", table, value))
                             ->GetField("N").ToInt32();
        if (rows == 1) return value;
        why = Format("@@IDENTITY answered %d after the INSERT into %s, but %d rows of %s carry that ID, not just the "
                     "new one.", value, table, rows, table);
    }
    RecordException(_com_error(hr::kFail, kProgramName, why + " The account's repair was rolled back."),
                    "CVeltmoorDlg::GetInsertIdentityValue", true);
    return std::nullopt;
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
