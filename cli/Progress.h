// The progress line of veltmoor-cli on a terminal: "N of TOTAL accounts" on
// stderr, redrawn at most ten times a second and erased before stdout is written.
#pragma once

#include <chrono>
#include <string>

namespace veltmoor::cli {

class Progress {
public:
    explicit Progress(bool enabled) : enabled_(enabled) {}
    bool Enabled() const { return enabled_; }
    // Shows how far the account check has come (total 0: not known).
    void Accounts(long checked, long total);
    // Takes the line away, so that whatever is written next starts on a clean line.
    void Erase();

private:
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point next_{};
};

}  // namespace veltmoor::cli
