#include "filemanager/CapturedRun.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrolet {

namespace {

using Clock = std::chrono::steady_clock;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = fd;
    }
    int Get() const { return m_fd; }

private:
    int m_fd = -1;
};

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX));
}

int ExitCodeOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

// Kills the child's whole process group (the script and whatever it started)
// and reaps the child.
void KillAndReap(pid_t pid) {
    kill(-pid, SIGKILL);
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
}

// Waits for the child to exit until the deadline. A pidfd lets poll() wait
// without a busy loop; without one we look every millisecond.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int& waitStatus) {
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    Fd guard(pidfd);
    for (;;) {
        const pid_t r = waitpid(pid, &waitStatus, WNOHANG);
        if (r == pid) {
            return true;
        }
        if (r < 0 && errno != EINTR) {
            return false;
        }
        const int left = RemainingMs(deadline);
        if (left == 0) {
            return false;
        }
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            poll(&p, 1, left);
        } else {
            usleep(1000);
        }
    }
}

} // namespace

Status RunAndCapture(const std::vector<std::string>& argv, const CaptureLimits& limits,
                     CapturedRun& out) {
    out = CapturedRun();
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/') {
        return EINVAL;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        if (a.find('\0') != std::string::npos) {
            return EINVAL;
        }
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return LastErrnoStatus();
    }
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A group of its own, so a time-out kills what the program started too.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (spawnError != 0) {
        return StatusFromErrno(spawnError);
    }
    writeEnd.Reset();

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.timeoutMs);
    char buffer[65536];
    for (;;) {
        pollfd p{readEnd.Get(), POLLIN, 0};
        const int ready = poll(&p, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            KillAndReap(pid);
            return ready == 0 ? ETIMEDOUT : LastErrnoStatus();
        }
        const ssize_t n = read(readEnd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const Status st = LastErrnoStatus();
            KillAndReap(pid);
            return st;
        }
        if (n == 0) {
            break;
        }
        if (out.output.size() + static_cast<size_t>(n) > limits.maxBytes) {
            KillAndReap(pid);
            out.output.clear();
            return EFBIG;
        }
        out.output.append(buffer, static_cast<size_t>(n));
    }

    int waitStatus = 0;
    if (!WaitUntil(pid, deadline, waitStatus)) {
        KillAndReap(pid);
        return ETIMEDOUT;
    }
    out.exitCode = ExitCodeOf(waitStatus);
    return 0;
}

} // namespace ferrolet
