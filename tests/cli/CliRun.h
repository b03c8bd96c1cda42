// Runs the built veltmoor-cli as users do: each of stdout and stderr on a pipe or a real pseudo-terminal, or stdout
// into a file; for the tests of its streams, options and the hostile environments it must survive.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/support/Text.h"

namespace veltmoor::test {

struct Streams {
    int status = -1;        // -1: killed, by a signal or after a minute
    std::string out, err;  // each the terminal's bytes when both are on it
};

// How a run is started. stdout goes into outFile when one is named (read back at the end); env's "NAME=value"s come
// before the inherited environment; asNobody drops root's rights, which would let the program write anywhere.
struct Launch {
    std::string outFile;
    std::vector<std::string> env;
    bool asNobody = false, outTerminal = false, errTerminal = false;
};

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// Arguments written as one string, split at spaces; {} stands for folder.
inline std::vector<std::string> Args(const std::string& text, const std::string& folder = "") {
    std::vector<std::string> args;
    std::istringstream words(text);
    for (std::string word; words >> word;) args.push_back(Replace(word, "{}", folder));
    return args;
}
// How many times part stands in text, counted without overlaps.
inline long Count(const std::string& text, const std::string& part) {
    return static_cast<long>((text.size() - Replace(text, part, "").size()) / part.size());
}

// veltmoor-cli started with fork and exec; terminals are raw, so their bytes arrive as written.
class CliProcess {
public:
    CliProcess(std::vector<std::string> args, Launch how) : how_(std::move(how)) {
        termios raw{};
        cfmakeraw(&raw);
        int slave = -1, out[2], err[2];
        if (openpty(&fds_[0].fd, &slave, nullptr, &raw, nullptr) != 0 || pipe(out) != 0 || pipe(err) != 0) return;
        std::vector<char*> argv{const_cast<char*>(VELTMOOR_CLI)}, envp;
        for (std::string& a : args) argv.push_back(a.data());
        for (std::string& var : how_.env) envp.push_back(var.data());
        for (char** var = environ; *var; ++var) envp.push_back(*var);
        argv.push_back(nullptr), envp.push_back(nullptr);
        if ((pid_ = fork()) == 0) {
            const int file = how_.outFile.empty() ? -1 : open(how_.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(how_.outTerminal ? slave : file >= 0 ? file : out[1], STDOUT_FILENO);
            dup2(how_.errTerminal ? slave : err[1], STDERR_FILENO);
            dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
            if (how_.asNobody && getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        for (int fd : {slave, out[1], err[1]}) close(fd);
        fds_[1].fd = out[0], fds_[2].fd = err[0];
    }
    void Signal(int number) const { kill(pid_, number); }
    std::string OutSoFar() const { return Bytes(how_.outFile); }

    // Reads every stream to its end (for at most a minute), then reaps the program.
    Streams Finish() {
        std::string text[3];  // terminal, stdout pipe, stderr pipe
        for (int open = 3; open > 0 && poll(fds_, 3, 60000) > 0;) {
            for (int i = 0; i < 3; ++i) {
                char buffer[4096];
                const ssize_t n = fds_[i].revents ? read(fds_[i].fd, buffer, sizeof buffer) : 0;
                if (n > 0) text[i].append(buffer, static_cast<size_t>(n));
                else if (fds_[i].revents) close(std::exchange(fds_[i].fd, -1)), --open;  // EOF; EIO once the terminal's program is gone
            }
        }
        int status = 0;
        kill(pid_, SIGKILL);  // one that hangs; one that has ended keeps its status
        waitpid(pid_, &status, 0);
        struct stat file{};
        if (!how_.outTerminal && stat(how_.outFile.c_str(), &file) == 0 && S_ISREG(file.st_mode)) text[1] = OutSoFar();
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text[how_.outTerminal ? 0 : 1], text[how_.errTerminal ? 0 : 2]};
    }

private:
    Launch how_;
    pollfd fds_[3] = {{-1, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
    pid_t pid_ = -1;
};

inline Streams RunCli(std::vector<std::string> args, bool outTerminal = false, bool errTerminal = false) {
    return CliProcess(std::move(args), {"", {}, false, outTerminal, errTerminal}).Finish();
}

}  // namespace veltmoor::test
