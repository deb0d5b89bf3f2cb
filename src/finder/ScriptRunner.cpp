#include "ScriptRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace ferrolet {

Status RunScriptText(const QString& scriptText, const std::vector<std::string>& arguments) {
    const QByteArray text = scriptText.toUtf8();
    if (text.contains('\0')) {
        return paramErr;
    }
    std::vector<std::string> argv{"/bin/sh", "-c", text.toStdString(), "ferrolet"};
    for (const std::string& arg : arguments) {
        if (arg.find('\0') != std::string::npos) {
            return paramErr;
        }
        argv.push_back(arg);
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (std::string& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) {
        return StatusFromErrno(spawnError);
    }
    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, 0) < 0) {
        if (errno != EINTR) {
            return LastErrnoStatus();
        }
    }
    return WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0 ? noErr : errOSAScriptError;
}

} // namespace ferrolet
