// The account link check: every account must point at existing SETTINGS, QUOTAS,
// RATIOS and FOLDERS rows; with "Fix Errors" a missing row is made and linked.
#include "accounts/AccountBatches.h"
#include "accounts/AccountRun.h"
#include "app/VeltmoorDlg.h"

namespace veltmoor {

namespace {
// Accounts read, checked and repaired together: memory and transactions stay bounded.
constexpr std::int64_t kBatchSize = 1000;
}  // namespace

using accounts::kLinkChecks;

void CVeltmoorDlg::CheckAccounts() {
    // 1. Read the accounts a batch at a time, each with whether its four linked rows exist.
    // 2. Check the batch's accounts: sound ones cost no further statement; broken links
    //    are reported and, with "Fix Errors", repaired inside the batch's transaction.
    // 3. End the batch: commit its repairs, then write its lines, held until then.
    try {
        accounts::AccountRun run(*this, accounts::AccountSql::For(m_pConnection));
        accounts::AccountBatches batches(m_pConnection, run.Sql(), kBatchSize);
        std::vector<accounts::Account> batch = batches.Next();
        if (batch.empty()) {
            run.Line("-- No Accounts Found in The Database --");
            return;
        }
        for (; !batch.empty(); batch = batches.Next()) {
            for (const accounts::Account& account : batch) CheckAccount(account);
            run.EndBatch();
        }
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::CheckAccounts", true);
    }
}

void CVeltmoorDlg::CheckAccount(const accounts::Account& account) {
    accounts::AccountRun& run = *m_accountRun;
    run.Line(Format("-- Checking Account [%s] --", account.name.c_str()));
    accounts::LockedAccount locked;
    for (int link = 0; link < accounts::kLinkCount; ++link) {
        const bool linked = account.linked[link] ? *account.linked[link] : LinkedRowExists(link, account.links[link]);
        if (!linked) ReportLink(account, link, locked);
    }
    run.Line(Format("-- Finished Checking Account [%s] --", account.name.c_str()));
    run.Line("  ");
    run.AccountChecked();
}

bool CVeltmoorDlg::LinkedRowExists(int link, const _variant_t& value) {
    // NULL, a fraction or a text that is no number point at no row; they are reported
    // and repaired like a dangling link.
    const std::optional<std::int64_t> id = accounts::WholeNumber(value);
    if (!id) return false;
    return !m_pConnection->Execute(Format(kLinkChecks[link].query, static_cast<long long>(*id)))->IsEOF();
}

void CVeltmoorDlg::ReportLink(const accounts::Account& account, int link, accounts::LockedAccount& locked) {
    Finding finding{"accounts", {}, {}, {}, account.name, kLinkChecks[link].link, kLinkChecks[link].message, false};
    const bool fix = m_bFixErrors == 1;
    if (fix) {
        try {
            const accounts::RepairOutcome outcome = RepairLink(account, link, locked);
            if (outcome == accounts::RepairOutcome::kWithdrawn) return;  // sound by now: nothing to report
            finding.fixed = outcome == accounts::RepairOutcome::kFixed;
        } catch (const _com_error&) {
            m_accountRun->Finding(finding, true);  // written before the error block that ends the run
            throw;
        }
    }
    m_accountRun->Finding(finding, fix);
}

}  // namespace veltmoor
