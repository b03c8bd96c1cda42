#include "cli/ExitStatus.h"

namespace veltmoor::cli {

void Accumulate(CheckTally& total, const CheckTally& run) {
    total.findings += run.findings;
    total.fixed += run.fixed;
    total.errors += run.errors;
}

int ExitStatusOf(const CheckTally& total) {
    int status = kNothingFound;
    // A rebuild can report a fix beyond the findings it counted; more fixes than
    // findings still means that nothing was left.
    if (total.findings > total.fixed) status |= kLeftUnfixed;
    else if (total.findings > 0) status |= kAllFixed;
    if (total.errors > 0) status |= kErrorRecorded;
    return status;
}

}  // namespace veltmoor::cli
