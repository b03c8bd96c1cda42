#include "accounts/AccountRun.h"

namespace veltmoor::accounts {

AccountRun::AccountRun(CVeltmoorDlg& dlg, AccountSql sql) : dlg_(dlg), sql_(sql) { dlg_.m_accountRun = this; }

AccountRun::~AccountRun() {
    transaction_.reset();  // rolls an uncommitted batch back
    Release(false);        // a stop asked for by the progress callback is under way already
    dlg_.m_accountRun = nullptr;
}

void AccountRun::Line(CString text) {
    Entry entry{Entry::kLine, std::move(text), {}, false, std::nullopt};
    transaction_ ? held_.push_back(std::move(entry)) : Write(entry);
}

void AccountRun::Finding(CVeltmoorDlg::Finding finding, bool repairTried) {
    Entry entry{Entry::kFinding, {}, std::move(finding), repairTried, std::nullopt};
    transaction_ ? held_.push_back(std::move(entry)) : Write(entry);
}

bool AccountRun::HoldError(const _com_error& error, const CString& tracer) {
    if (!transaction_) return false;
    held_.push_back(Entry{Entry::kError, tracer, {}, false, error});
    return true;
}

void AccountRun::AccountChecked() {
    Entry entry{Entry::kChecked, {}, {}, false, std::nullopt};
    transaction_ ? held_.push_back(std::move(entry)) : Write(entry);
}

void AccountRun::BeginRepairs(const ado::ConnectionPtr& connection) {
    if (transaction_) return;
    if (!sessionReady_) {
        if (const std::string sql = sql_.RepairSession(); !sql.empty()) connection->Execute(sql);
        sessionReady_ = true;
    }
    transaction_.emplace(connection);
}

void AccountRun::EndBatch() {
    if (transaction_) {
        transaction_->Commit();  // on failure the destructor rolls back and writes the failures
        transaction_.reset();
    }
    if (const std::exception_ptr stop = Release(true)) std::rethrow_exception(stop);
}

std::exception_ptr AccountRun::Release(bool kept) {
    // The progress callback may ask to stop the run (by throwing): every held line is
    // written all the same, as each belongs to a repair that was kept or rolled back.
    std::exception_ptr stop;
    std::deque<Entry> held;
    held.swap(held_);
    for (Entry& entry : held) {
        if (!kept) entry.finding.fixed = false;
        try {
            Write(entry);
        } catch (...) {
            if (!stop) stop = std::current_exception();
        }
    }
    return stop;
}

void AccountRun::Write(const Entry& entry) {
    switch (entry.kind) {
        case Entry::kLine: dlg_.m_wndLog.AddLine(entry.text); break;
        case Entry::kFinding: {
            const CVeltmoorDlg::Finding& f = entry.finding;
            ++dlg_.m_tally.findings;
            if (f.fixed) ++dlg_.m_tally.fixed;
            if (dlg_.m_findingSink) dlg_.m_findingSink(f);
            dlg_.m_wndLog.AddLine(f.message + (!entry.repairTried ? "" : f.fixed ? " - FIXED" : " - ATTEMPT TO FIX FAILED"));
            break;
        }
        case Entry::kError: dlg_.WriteErrorBlock(*entry.error, entry.text); break;
        case Entry::kChecked:
            ++dlg_.m_tally.accounts;
            if (dlg_.m_accountProgress) dlg_.m_accountProgress(dlg_.m_tally.accounts);
            break;
    }
}

}  // namespace veltmoor::accounts
