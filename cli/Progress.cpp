#include "cli/Progress.h"

#include <cstdio>

namespace veltmoor::cli {

void Progress::Accounts(long checked, long total) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_ && checked != total) return;
    next_ = now + std::chrono::milliseconds(100);
    std::string text = "\rveltmoor-cli: " + std::to_string(checked);
    text += total > 0 ? " of " + std::to_string(total) + " accounts\x1b[K" : " accounts\x1b[K";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::Erase() {
    if (!shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
    next_ = {};  // drawn again at the next account
}

}  // namespace veltmoor::cli
