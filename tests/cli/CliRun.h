// Runs the built veltmoor-cli as users do, each of stdout and stderr on a pipe or a
// real pseudo-terminal, for the tests of the program's streams and options.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace veltmoor::test {

struct Streams {
    int status = -1;
    std::string out, err;  // each the terminal's bytes when both are on it
};

// Runs veltmoor-cli with stdout and/or stderr on a pseudo-terminal in raw mode (its
// bytes arrive as written) and the others on pipes.
inline Streams RunCli(std::vector<std::string> args, bool outTerminal = false, bool errTerminal = false) {
    termios raw{};
    cfmakeraw(&raw);
    int master = -1, slave = -1, out[2], err[2];
    if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
    std::vector<char*> argv{const_cast<char*>(VELTMOOR_CLI)};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outTerminal ? slave : out[1], STDOUT_FILENO);
        dup2(errTerminal ? slave : err[1], STDERR_FILENO);
        dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int fd : {slave, out[1], err[1]}) close(fd);
    std::string text[3];  // terminal, stdout pipe, stderr pipe
    pollfd fds[3] = {{master, POLLIN, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int open = 3; open > 0 && poll(fds, 3, 60000) > 0;) {
        for (int i = 0; i < 3; ++i) {
            char buffer[4096];
            const ssize_t n = fds[i].revents ? read(fds[i].fd, buffer, sizeof buffer) : 0;
            if (n > 0) text[i].append(buffer, static_cast<size_t>(n));
            else if (fds[i].revents) close(std::exchange(fds[i].fd, -1)), --open;  // EOF; EIO once the terminal's program is gone
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text[outTerminal ? 0 : 1], text[errTerminal ? 0 : 2]};
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace veltmoor::test
