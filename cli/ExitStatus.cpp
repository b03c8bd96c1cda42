#include "cli/ExitStatus.h"

#include <algorithm>

namespace veltmoor::cli {

namespace {

std::string Count(int n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

}  // namespace

void Accumulate(CheckTally& total, const CheckTally& run) {
    total.findings += run.findings;
    total.fixed += run.fixed;
    total.errors += run.errors;
    total.tables += run.tables;
    total.accounts += run.accounts;
}

int LeftUnfixed(const CheckTally& total) { return std::max(0, total.findings - total.fixed); }

int ExitStatusOf(const CheckTally& total) {
    int status = kNothingFound;
    if (total.fixed > 0) status |= kSomethingFixed;
    if (LeftUnfixed(total) > 0) status |= kLeftUnfixed;
    if (total.errors > 0) status |= kErrorRecorded;
    return status;
}

std::string SummaryLine(const CheckTally& total, const std::vector<Command>& ran) {
    const bool tables = std::ranges::find(ran, Command::Tables) != ran.end();
    const bool accounts = std::ranges::find(ran, Command::Accounts) != ran.end();
    std::string checked;
    if (tables || !accounts) checked = Count(total.tables, "table", "tables");
    if (accounts || !tables) checked += (checked.empty() ? "" : " and ") + Count(total.accounts, "account", "accounts");
    return "veltmoor-cli: " + checked + " checked; " +
           Count(total.findings, "finding", "findings") + ": " + std::to_string(total.fixed) + " fixed, " +
           std::to_string(LeftUnfixed(total)) + " left; " + Count(total.errors, "error", "errors");
}

}  // namespace veltmoor::cli
