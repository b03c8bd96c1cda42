// One run of the account check: the engine's statements, what the run reports, and the
// transaction of the batch being repaired. While a batch's repairs are uncommitted its
// lines, findings, error blocks and progress are held, and written when the batch ends:
// as they are when it commits, with every fix turned into a failure when it does not.
// So no line ever says FIXED for a repair the database did not keep.
#pragma once

#include <deque>
#include <exception>
#include <optional>
#include <vector>

#include "accounts/AccountSql.h"
#include "app/VeltmoorDlg.h"
#include "db/ado/Transaction.h"

namespace veltmoor::accounts {

class AccountRun {
public:
    // Registers itself as the dialog's running account check until destroyed.
    AccountRun(CVeltmoorDlg& dlg, AccountSql sql);
    // An open batch rolls back, and what it held is written with its fixes undone.
    ~AccountRun();
    AccountRun(const AccountRun&) = delete;
    AccountRun& operator=(const AccountRun&) = delete;

    const AccountSql& Sql() const { return sql_; }
    void Line(CString text);
    // A finding with its outcome; repairTried: "Fix Errors" was ticked (the line says how it went).
    void Finding(CVeltmoorDlg::Finding finding, bool repairTried);
    // An error block, counted already; false when nothing is held (write it now).
    bool HoldError(const _com_error& error, const CString& tracer);
    void AccountChecked();

    // Begins the batch's transaction before its first repair (once a batch); each
    // repair then runs in a savepoint of its own inside it.
    void BeginRepairs(const ado::ConnectionPtr& connection);
    // Commits the batch's repairs, if any, and writes what was held. A failed commit
    // raises after rolling back and writing the held lines as failures.
    void EndBatch();

private:
    struct Entry {
        enum Kind { kLine, kFinding, kError, kChecked } kind;
        CString text;                     // kLine: the line; kError: the tracer
        CVeltmoorDlg::Finding finding{};  // kFinding
        bool repairTried = false;         // kFinding
        std::optional<_com_error> error;  // kError
    };
    void Write(const Entry& entry);
    // Writes what was held (kept false: its fixes as failures); what the progress
    // callback threw, if it did.
    std::exception_ptr Release(bool kept);

    CVeltmoorDlg& dlg_;
    AccountSql sql_;
    bool sessionReady_ = false;
    std::optional<ado::Transaction> transaction_;
    std::deque<Entry> held_;  // not a vector: an Entry (with its _com_error) copies when moved
};

}  // namespace veltmoor::accounts
