#pragma once

// Child processes for the split tests: part of a test forked off, for what must not touch
// the test process (a file size limit, a signal that ends it), and shell commands.

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace childproc {

struct Outcome {
    std::string output; // what the child wrote to its pipe
    int status = -1;    // as waitpid gives it
};

// Runs `body(fd)` in a child that exits with 0 after it; `fd` is the write end of the pipe.
inline Outcome Run(const std::function<void(int)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        body(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    Outcome outcome;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) {
        outcome.output.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    ::waitpid(pid, &outcome.status, 0);
    return outcome;
}

inline bool ExitedCleanly(const Outcome& o) {
    return WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0;
}

inline void Send(int fd, const std::string& text) {
    [[maybe_unused]] const auto n = ::write(fd, text.data(), text.size());
}

// Files of this process may not grow past `bytes`; writes beyond fail with EFBIG.
inline void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &rl);
}

// The standard output and exit status of a shell command (-1 when it did not exit).
inline std::pair<std::string, int> Shell(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {"", -1};
    }
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
        out.append(buf, n);
    }
    const int status = ::pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

} // namespace childproc
