#include "MountTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace ferrolet {

namespace {

MountTableReader& Reader() {
    static MountTableReader reader;
    return reader;
}

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' &&
            s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out +=
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ') {
            ++i;
        }
        if (i > start) {
            out.push_back(line.substr(start, i - start));
        }
    }
    return out;
}

bool ParseDevice(std::string_view s, dev_t& device) {
    const size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 >= s.size()) {
        return false;
    }
    unsigned long parts[2] = {0, 0};
    std::string_view pieces[2] = {s.substr(0, colon), s.substr(colon + 1)};
    for (int k = 0; k < 2; ++k) {
        if (pieces[k].size() > 9) {
            return false;
        }
        for (char c : pieces[k]) {
            if (c < '0' || c > '9') {
                return false;
            }
            parts[k] = parts[k] * 10 + static_cast<unsigned long>(c - '0');
        }
    }
    device = makedev(parts[0], parts[1]);
    return true;
}

// Block device number -> UUID, from the links udev keeps.
std::map<dev_t, std::string> UuidsByDevice() {
    std::map<dev_t, std::string> out;
    const int dirFd = open("/dev/disk/by-uuid", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return out;
    }
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return out;
    }
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISBLK(st.st_mode)) {
            out.emplace(st.st_rdev, entry->d_name);
        }
    }
    closedir(dir);
    return out;
}

std::vector<MountEntry> KernelMountTable() {
    const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    std::vector<MountEntry> table = ParseMountInfo(text);
    const std::map<dev_t, std::string> uuids = UuidsByDevice();
    for (MountEntry& entry : table) {
        if (const auto it = uuids.find(entry.device); it != uuids.end()) {
            entry.uuid = it->second;
        }
    }
    return table;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::vector<std::string_view> f = Fields(text.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options ...
        MountEntry entry;
        if (f.size() < 5 || !ParseDevice(f[2], entry.device)) {
            continue;
        }
        entry.root = Unescape(f[3]);
        entry.mountPoint = Unescape(f[4]);
        if (entry.root.empty() || entry.root[0] != '/' || entry.mountPoint.empty() ||
            entry.mountPoint[0] != '/') {
            continue;
        }
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<MountEntry> ReadMountTable() {
    if (Reader()) {
        return Reader()();
    }
    return KernelMountTable();
}

void SetMountTableReader(MountTableReader reader) {
    Reader() = std::move(reader);
}

bool PathIsUnder(const std::string& path, const std::string& folder) {
    if (folder == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

const MountEntry* FindMountFor(const std::vector<MountEntry>& table, dev_t device,
                               const std::string& path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : table) {
        if (entry.device != device || !PathIsUnder(path, entry.mountPoint)) {
            continue;
        }
        // The later of two equal mount points hides the earlier one.
        if (!best || entry.mountPoint.size() >= best->mountPoint.size()) {
            best = &entry;
        }
    }
    return best;
}

} // namespace ferrolet
