#include "DetachedProcess.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace ferrolet {

namespace {

// Starts argv[0] (looked up in PATH) with its standard streams on /dev/null,
// in a session of its own so that it outlives us and our terminal.
int SpawnDetached(std::vector<char*>& argv, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return error;
}

} // namespace

// posix_spawn starts the program without copying our address space (Qt's
// detached start forks twice and waits for the grandchild's exec, which
// cost a command run from the command line several milliseconds of its
// whole time). The child is ours, so a thread of its own waits for it: a
// long-running tray leaves no zombie behind, and a short run that ends
// first hands it to init like any orphan.
bool StartDetached(const QString& program, const QStringList& arguments) {
    std::vector<std::string> strings;
    strings.push_back(QFile::encodeName(program).toStdString());
    for (const QString& argument : arguments) {
        strings.push_back(QFile::encodeName(argument).toStdString());
    }
    std::vector<char*> argv;
    for (std::string& s : strings) {
        if (s.find('\0') != std::string::npos) {
            return false; // no argument vector can carry it
        }
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (strings.front().empty() || SpawnDetached(argv, pid) != 0) {
        return false;
    }
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace ferrolet
