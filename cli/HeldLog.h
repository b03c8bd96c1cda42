// The log of a --quiet run, held back until the run shows whether it found
// anything: in memory up to a small size, then in an unnamed temporary file, so
// that memory stays flat however many accounts the run checks.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace veltmoor::cli {

class HeldLog {
public:
    HeldLog() = default;
    ~HeldLog();
    HeldLog(const HeldLog&) = delete;
    HeldLog& operator=(const HeldLog&) = delete;

    void Append(std::string_view text);
    // Hands everything held to `write`, in order and in pieces, then forgets it.
    void Release(const std::function<void(std::string_view)>& write);
    // Forgets everything held.
    void Clear();

private:
    static constexpr size_t kInMemory = 64 * 1024;
    std::string memory_;
    std::FILE* file_ = nullptr;  // the spilled part, before memory_
    bool spillFailed_ = false;   // no temporary file could take it: memory holds it all
};

}  // namespace veltmoor::cli
