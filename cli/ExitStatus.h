// veltmoor-cli's exit status, a bit mask in the manner of fsck, worked out from
// the counts of every run (and of start-up) added together.
#pragma once

#include "app/VeltmoorDlg.h"

namespace veltmoor::cli {

enum ExitBits {
    kNothingFound = 0,
    kAllFixed = 1,
    kLeftUnfixed = 4,
    kErrorRecorded = 8,
    kUsageError = 16,
};

// Adds one run's counts to the total.
void Accumulate(CheckTally& total, const CheckTally& run);

// 1 when there were findings and all were fixed, 4 when some were left, plus 8
// when an error block was written.
int ExitStatusOf(const CheckTally& total);

}  // namespace veltmoor::cli
