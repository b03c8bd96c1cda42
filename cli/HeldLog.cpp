#include "cli/HeldLog.h"

namespace veltmoor::cli {

HeldLog::~HeldLog() {
    if (file_) std::fclose(file_);
}

void HeldLog::Append(std::string_view text) {
    memory_.append(text);
    if (memory_.size() < kInMemory || spillFailed_) return;
    // tmpfile() is removed from its folder at once: nothing is left behind, even
    // when the program is killed.
    if (!file_) file_ = std::tmpfile();
    const size_t written = file_ ? std::fwrite(memory_.data(), 1, memory_.size(), file_) : 0;
    // What did not fit (a full temporary folder) stays in memory, and so does the
    // rest of the run: the log is still printed whole.
    spillFailed_ = written < memory_.size();
    memory_.erase(0, written);
}

void HeldLog::Release(const std::function<void(std::string_view)>& write) {
    if (file_) {
        std::rewind(file_);
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) write(std::string_view(buffer, n));
    }
    write(memory_);
    Clear();
}

void HeldLog::Clear() {
    memory_.clear();
    if (file_) std::fclose(file_);
    file_ = nullptr;
    spillFailed_ = false;
}

}  // namespace veltmoor::cli
