#include "Autostart.h"

#include "util/AppPaths.h"
#include "util/Files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

constexpr const char* kEntryName = "com.quorvane.Ferrolet.desktop";
// An autostart entry is a few hundred bytes; anything far larger is not one.
constexpr size_t kMaxEntrySize = 64 * 1024;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// The entry's text when the path holds a readable regular file. Never opens
// a FIFO or a device blocking.
std::optional<std::string> ReadEntry(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> text;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.emplace();
        char buffer[4096];
        ssize_t n = 0;
        while (text->size() < kMaxEntrySize && (n = read(fd, buffer, sizeof buffer)) > 0) {
            text->append(buffer, static_cast<size_t>(n));
        }
        if (n < 0) {
            text.reset();
        }
    }
    close(fd);
    return text;
}

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Whether a desktop would start an entry with this text: it has a
// [Desktop Entry] group that is neither hidden nor switched off.
bool EntryEnabled(const std::string& text) {
    bool inMainGroup = false;
    bool sawMainGroup = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const size_t eq = line.find('=');
        if (!inMainGroup || eq == std::string::npos) {
            continue;
        }
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string value = Trimmed(line.substr(eq + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return sawMainGroup;
}

// The system-wide autostart folders, most important first.
std::vector<std::string> SystemAutostartFolders() {
    std::vector<std::string> folders;
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/etc/xdg";
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(':', pos);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string dir = list.substr(pos, end - pos);
        // Relative entries are invalid and ignored.
        if (!dir.empty() && dir[0] == '/') {
            folders.push_back(dir + "/autostart");
        }
        pos = end + 1;
    }
    return folders;
}

// Whether a system-wide entry of our name would start the program when the
// user has none.
bool SystemEntryEnabled() {
    for (const std::string& folder : SystemAutostartFolders()) {
        struct stat st {};
        const std::string path = folder + "/" + kEntryName;
        if (lstat(path.c_str(), &st) == 0) {
            // The first one found is the one that counts.
            const auto text = ReadEntry(path);
            return text && EntryEnabled(*text);
        }
    }
    return false;
}

// Writes the entry whole or not at all (a temporary file in the same folder,
// flushed, then renamed over the entry); a new autostart folder is private
// to the user.
std::error_code WriteEntry(const std::string& path, const std::string& text) {
    const std::string folder = path.substr(0, path.rfind('/'));
    Status status = MakeFolders(folder, 0700);
    if (status == 0) {
        status = ReplaceFile(folder, path.substr(path.rfind('/') + 1), text, 0644);
    }
    return status == 0 ? std::error_code() : std::error_code(status, std::generic_category());
}

std::string HiddenEntryText() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Ferrolet\n"
           "Exec=ferrolet\n"
           "Hidden=true\n";
}

} // namespace

std::string AutostartEntryPath() {
    const std::string config = ConfigDirectory();
    if (config.empty() || config[0] != '/') {
        return {};
    }
    return config + "/autostart/" + kEntryName;
}

std::string AutostartEntryText() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Ferrolet\n"
           "Comment=File away the selected items in one gesture\n"
           "Exec=ferrolet\n"
           "Icon=ferrolet\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool StartsAtLogin() {
    const std::string path = AutostartEntryPath();
    if (path.empty()) {
        return false;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        // The user's entry hides any system-wide one of the same name.
        const auto text = ReadEntry(path);
        return text && EntryEnabled(*text);
    }
    return SystemEntryEnabled();
}

std::error_code SetStartAtLogin(bool on) {
    const std::string path = AutostartEntryPath();
    if (path.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (on) {
        return StartsAtLogin() ? std::error_code() : WriteEntry(path, AutostartEntryText());
    }
    if (SystemEntryEnabled()) {
        return WriteEntry(path, HiddenEntryText());
    }
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        return LastError();
    }
    return {};
}

} // namespace ferrolet
