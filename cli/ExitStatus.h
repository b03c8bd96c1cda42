// veltmoor-cli's exit status, a bit mask in the manner of fsck, and its summary
// line, worked out from the counts of every run (and of start-up) added together.
#pragma once

#include <string>
#include <vector>

#include "app/VeltmoorDlg.h"
#include "cli/CliOptions.h"

namespace veltmoor::cli {

enum ExitBits {
    kNothingFound = 0,
    kSomethingFixed = 1,
    kLeftUnfixed = 4,
    kErrorRecorded = 8,
    kUsageError = 16,
    kInterrupted = 32,  // SIGINT or SIGTERM ended the run between two repairs
};

// Adds one run's counts to the total.
void Accumulate(CheckTally& total, const CheckTally& run);

// Findings not fixed.
int LeftUnfixed(const CheckTally& total);

// 1 when anything was fixed, 4 when anything was left, 8 when an error block was
// written, OR'd together.
int ExitStatusOf(const CheckTally& total);

// "veltmoor-cli: 2 tables and 40 accounts checked; 7 findings: 5 fixed, 2 left; 0 errors",
// naming only the checks among `ran`: "40 accounts checked" after accounts alone.
std::string SummaryLine(const CheckTally& total, const std::vector<Command>& ran);

}  // namespace veltmoor::cli
