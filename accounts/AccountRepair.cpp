// The account check's repairs: a fresh row with neutral values for a broken link, and
// the account pointed at it; each repair changes exactly one account row, or none.
#include "accounts/AccountBatches.h"
#include "accounts/AccountRun.h"
#include "accounts/HomeFolder.h"
#include "app/Resources.h"
#include "app/VeltmoorDlg.h"
#include "db/ado/Transaction.h"

namespace veltmoor {

namespace {

using accounts::kLinkChecks;
using accounts::RepairOutcome;

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

long long Sql(std::int64_t n) { return static_cast<long long>(n); }

}  // namespace

RepairOutcome CVeltmoorDlg::RepairLink(const accounts::Account& account, int link,
                                       accounts::LockedAccount& locked) {
    // 1. A home folder that would not lie directly under the shared folder is refused.
    // 2. At the account's first repair, lock it and read its links afresh (LockAccount);
    //    a refused account keeps every link, a link repaired meanwhile is left alone.
    // 3. Repair the link in a savepoint of its own: without a sound new ID it rolls
    //    back, so that the account and the linked table stay as they were.
    CString why, folder;
    if (link == accounts::kFolderLink) folder = accounts::HomeFolderPath(m_strSharedFolder, account.name, why);
    if (!why.empty()) {
        RecordException(_com_error(hr::kFail, kProgramName,
                                   Format("The home folder of account [%s] was not repaired: %s.", account.name.c_str(),
                                          why.c_str())),
                        "CVeltmoorDlg::CheckAccounts", true);
        return RepairOutcome::kFailed;
    }
    if (!locked.read) LockAccount(account, locked);
    if (locked.refused) return RepairOutcome::kFailed;
    if (locked.linked[link]) return RepairOutcome::kWithdrawn;
    ado::Transaction savepoint(m_pConnection);
    const bool repaired =
        link == accounts::kFolderLink ? RepairHomeFolder(locked.id, folder) : RepairRow(locked.id, link);
    if (!repaired) return RepairOutcome::kFailed;
    savepoint.Commit();
    locked.linked[link] = true;
    return RepairOutcome::kFixed;
}

void CVeltmoorDlg::LockAccount(const accounts::Account& account, accounts::LockedAccount& locked) {
    // 1. Without a whole-number ID nothing could point at a new row: refuse.
    // 2. Before the run's first write: refuse a read-only connection, back the database up.
    // 3. Begin the batch's transaction, lock the rows carrying the account's ID and read
    //    them afresh: refuse unless exactly one row carries it, as a repair would
    //    change every one of them.
    locked = {true, true};
    const auto refuse = [&](const CString& why) {
        RecordException(_com_error(hr::kFail, kProgramName, why + " Its links were not repaired."),
                        "CVeltmoorDlg::CheckAccounts", true);
    };
    const std::optional<std::int64_t> id = accounts::WholeNumber(account.id);
    if (!id) return refuse(Format("The account [%s] has no ID that a row could point from (it is NULL or not a whole "
                                  "number).", account.name.c_str()));
    if (!PrepareRepair()) return;
    m_accountRun->BeginRepairs(m_pConnection);
    const accounts::AccountSql& sql = m_accountRun->Sql();
    if (const std::string lock = sql.LockAccount(); !lock.empty()) m_pConnection->ExecuteWith(lock, {*id});
    ado::RecordsetPtr rows = m_pConnection->ExecuteWith(sql.AccountRows(), {*id});
    int count = 0;
    for (; !rows->IsEOF(); rows->MoveNext(), ++count)
        for (int i = 0; i < accounts::kLinkCount && count == 0; ++i)
            locked.linked[i] = rows->GetField(kLinkChecks[i].flag).ToInt32() != 0;
    rows->Close();
    if (count != 1)
        return refuse(Format("The account [%s] has the ID %lld, which %d rows of ACCOUNTS carry: a repair would "
                             "change every one of them.", account.name.c_str(), Sql(*id), count));
    locked.id = *id;
    locked.refused = false;
}

bool CVeltmoorDlg::RepairRow(std::int64_t accountId, int link) {
    // 1. Insert the neutral row and take its ID; without a sound one, give up.
    // 2. Point the account at the new row.
    const accounts::LinkCheck& check = kLinkChecks[link];
    m_pConnection->Execute(check.insert);
    const std::optional<std::int64_t> newId = NewRowId(check.table);
    if (!newId) return false;
    m_pConnection->ExecuteWith(check.update, {*newId, accountId});
    return true;
}

bool CVeltmoorDlg::RepairHomeFolder(std::int64_t accountId, const CString& folder) {
    // 1. Insert the folder row (ROOT_ID -1, alias "/") and take its ID; without a sound one, give up.
    // 2. Make the folder its own root and point the account at it.
    m_pConnection->Execute(Format("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(%lld,-1,'%s','/')",
                                  Sql(accountId), SqlQuoted(folder).c_str()));
    const std::optional<std::int64_t> folderId = NewRowId("FOLDERS");
    if (!folderId) return false;
    m_pConnection->ExecuteWith("UPDATE FOLDERS SET ROOT_ID=? WHERE ID=?;", {*folderId, *folderId});
    m_pConnection->ExecuteWith("UPDATE ACCOUNTS SET HOME_FOLDER_ID = ? WHERE ID = ?", {*folderId, accountId});
    return true;
}

std::optional<std::int64_t> CVeltmoorDlg::NewRowId(const char* table) {
    // The ID must be the new row's own: an empty identity (the table's ID column lost its
    // autonumber) or one that not exactly one row carries would point the account at a
    // row that another account owns. The embedded and ODBC databases are asked to prove it.
    const int errorsBefore = m_tally.errors;
    const _variant_t id = GetInsertIdentityValue(m_pConnection);
    if (m_tally.errors != errorsBefore) return std::nullopt;  // the query failed and said so
    const std::optional<std::int64_t> value = accounts::WholeNumber(id);
    CString why;
    if (!value) {
        why = Format("The INSERT into %s generated no ID (@@IDENTITY is empty): its ID column is not an "
                     "autonumber column (Check Tables reports it).", table);
    } else if (IsSqlServerProvider(m_pConnection)) {
        return value;
    } else {
        const _variant_t rows =
            m_pConnection->ExecuteWith(Format("SELECT COUNT(*) AS N FROM %s WHERE ID = ?", table), {*value})->GetField("N");
        if (rows.ToInt32() == 1) return value;
        why = Format("@@IDENTITY answered %lld after the INSERT into %s, but %d rows of %s carry that ID, not just the "
                     "new one.", Sql(*value), table, rows.ToInt32(), table);
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
