#include "cli/Output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace veltmoor::cli {

namespace {
// errno after a failed stdio call; EIO when the library left it unset.
int LastError() { return errno != 0 ? errno : EIO; }
}  // namespace

void Output::Write(std::string_view text) {
    if (error_ != 0 || text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) error_ = LastError();
}

void Output::Flush() {
    if (error_ != 0) return;
    errno = 0;
    if (std::fflush(stdout) != 0) error_ = LastError();
}

int Output::Close() {
    errno = 0;
    if (std::fflush(stdout) != 0 && error_ == 0) error_ = LastError();
    // close() itself reports what a file system kept back until then (NFS, quotas).
    errno = 0;
    if (std::fclose(stdout) != 0 && error_ == 0) error_ = LastError();
    return error_;
}

std::string WriteErrorLine(int error) {
    return std::string("veltmoor-cli: write error: ") + std::strerror(error) + "\n";
}

}  // namespace veltmoor::cli
