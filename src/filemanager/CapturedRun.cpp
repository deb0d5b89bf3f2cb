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

// The argument vector for posix_spawn, ending in a null pointer; EINVAL when
// the program is not an absolute path or an argument holds a zero byte.
Status MakeSpawnArgs(const std::vector<std::string>& argv, std::vector<char*>& args) {
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/') {
        return EINVAL;
    }
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        if (a.find('\0') != std::string::npos) {
            return EINVAL;
        }
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    return 0;
}

// Starts the program with standard input from /dev/null, standard output to
// outputFd and standard error discarded.
Status SpawnWithOutputTo(std::vector<char*>& args, int outputFd, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A group of its own, so a time-out kills what the program started too.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    const int spawnError = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return spawnError != 0 ? StatusFromErrno(spawnError) : 0;
}

// Reads the child's output until it closes its end. Past the deadline or the
// size bound, or on a read error, the child's group is killed and reaped.
Status ReadOutputToEnd(int readFd, pid_t pid, Clock::time_point deadline, size_t maxBytes,
                       std::string& output) {
    char buffer[65536];
    for (;;) {
        pollfd p{readFd, POLLIN, 0};
        const int ready = poll(&p, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            KillAndReap(pid);
            return ready == 0 ? ETIMEDOUT : LastErrnoStatus();
        }
        const ssize_t n = read(readFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const Status st = LastErrnoStatus();
            KillAndReap(pid);
            return st;
        }
        if (n == 0) {
            return 0;
        }
        if (output.size() + static_cast<size_t>(n) > maxBytes) {
            KillAndReap(pid);
            output.clear();
            return EFBIG;
        }
        output.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

Status RunAndCapture(const std::vector<std::string>& argv, const CaptureLimits& limits,
                     CapturedRun& out) {
    out = CapturedRun();
    std::vector<char*> args;
    if (const Status status = MakeSpawnArgs(argv, args); status != 0) {
        return status;
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return LastErrnoStatus();
    }
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);
    pid_t pid = 0;
    if (const Status status = SpawnWithOutputTo(args, writeEnd.Get(), pid); status != 0) {
        return status;
    }
    // Only the child holds the write end now: reading ends when it closes it.
    writeEnd.Reset();

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.timeoutMs);
    if (const Status status =
            ReadOutputToEnd(readEnd.Get(), pid, deadline, limits.maxBytes, out.output);
        status != 0) {
        return status;
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
