#include "base/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltmoor {

namespace {

// folderText: what a folder gets instead of the general form.
std::string KindProblem(mode_t mode, const char* folderText) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode) && folderText) return folderText;
    const char* kind = S_ISDIR(mode)   ? "a folder"
                       : S_ISFIFO(mode)  ? "a FIFO"
                       : S_ISCHR(mode) ? "a character device"
                       : S_ISBLK(mode) ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "not a file";
    return std::string("not a regular file (") + kind + ")";
}

}  // namespace

int OpenRegularFile(const std::string& path, std::string& why) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once; the check on the
    // open descriptor leaves no moment for the name to be swapped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) why = std::strerror(errno);
    else why = KindProblem(info.st_mode, std::strerror(EISDIR));
    if (!why.empty()) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& path, std::string& content, std::string& why) {
    const int fd = OpenRegularFile(path, why);
    if (fd < 0) return false;
    content.clear();
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) content.append(buffer, static_cast<size_t>(n));
    if (n < 0) why = std::strerror(errno);
    ::close(fd);
    return n == 0;
}

std::string NotRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? KindProblem(info.st_mode, nullptr) : std::string();
}

}  // namespace veltmoor
