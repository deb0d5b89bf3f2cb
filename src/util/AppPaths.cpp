#include "AppPaths.h"
#include "util/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {
std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    // XDG says relative values are invalid and must be ignored.
    if (value && value[0] == '/') {
        return value;
    }
    return fallback;
}

} // namespace

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/";
}

std::string DataDirectory() {
    if (const char* over = std::getenv("FERROLET_DATA_DIR"); over && over[0] == '/') {
        return over;
    }
    char exe[PATH_MAX + 1] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, PATH_MAX);
    if (n <= 0) {
        return {};
    }
    std::string dir = UserFacingProgram(std::string(exe, static_cast<size_t>(n)));
    dir.erase(dir.rfind('/'));
    return dir + "/../share/ferrolet";
}

std::string UserFacingProgram(const std::string& executable) {
    const size_t slash = executable.rfind('/');
    if (slash == std::string::npos ||
        executable.compare(slash, std::string::npos, "/ferrolet-gui") != 0) {
        return executable;
    }
    const std::string dir = executable.substr(0, slash);
    const std::string libexec = "/libexec/ferrolet";
    if (dir.ends_with(libexec)) {
        return dir.substr(0, dir.size() - libexec.size()) + "/bin/ferrolet";
    }
    return dir + "/ferrolet";
}

std::string ConfigDirectory() {
    return EnvOr("XDG_CONFIG_HOME", HomeDirectory() + "/.config");
}

std::string StateDirectoryPath() {
    return EnvOr("XDG_STATE_HOME", HomeDirectory() + "/.local/state") + "/Ferrolet";
}

std::string StateDirectory() {
    std::string dir = StateDirectoryPath();
    const std::string base = dir.substr(0, dir.rfind('/'));
    if (MakeFolders(base, 0700) != 0) {
        return {};
    }
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return dir;
}

} // namespace ferrolet
