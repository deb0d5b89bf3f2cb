#include "DestinationProbe.h"

#include <future>
#include <map>
#include <memory>
#include <mntent.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr long kMsdosMagic = 0x4d44;     // MSDOS_SUPER_MAGIC: FAT12/16/32, vfat
constexpr long kExfatMagic = 0x2011BAB0; // exFAT

FileSystemFacts AskFileSystem(const std::string& folder) {
    FileSystemFacts fs;
    struct statvfs vfs {};
    if (statvfs(folder.c_str(), &vfs) == 0) {
        fs.readOnly = (vfs.f_flag & ST_RDONLY) != 0;
        fs.freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    } else {
        fs.freeBytes = UINT64_MAX; // unknown: let the command find out
    }
    struct statfs sfs {};
    if (statfs(folder.c_str(), &sfs) == 0) {
        const long type = static_cast<long>(sfs.f_type);
        fs.fatNames = type == kMsdosMagic || type == kExfatMagic;
    }
    const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    fs.nameMax = nameMax > 0 ? nameMax : 255;
    return fs;
}

// The mount points of this process, from /proc/self/mounts.
std::vector<std::string> MountPoints() {
    std::vector<std::string> points;
    if (FILE* table = setmntent("/proc/self/mounts", "r")) {
        while (const mntent* entry = getmntent(table)) {
            points.emplace_back(entry->mnt_dir);
        }
        endmntent(table);
    }
    return points;
}

// The longest mount point that path is under; "/" when none is known.
std::string MountOf(const std::string& path, const std::vector<std::string>& points) {
    std::string best = "/";
    for (const std::string& point : points) {
        const bool under = path == point || (path.compare(0, point.size(), point) == 0 &&
                                             (point.back() == '/' || path[point.size()] == '/'));
        if (under && point.size() > best.size()) {
            best = point;
        }
    }
    return best;
}

struct MountGroup {
    std::vector<std::string> paths;
    std::vector<size_t> indexes; // positions in the destination list
    std::future<std::vector<DestinationFacts>> answer;
    bool started = false;
};

// Starts the probe of one group on a detached thread: a probe stuck in a
// system call is abandoned, never joined.
bool StartProbe(MountGroup& group, const FolderProbe& probe) {
    auto task = std::make_shared<std::packaged_task<std::vector<DestinationFacts>()>>(
        [probe, paths = group.paths] { return probe(paths); });
    group.answer = task->get_future();
    try {
        std::thread([task] { (*task)(); }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace

std::vector<DestinationFacts> ProbeFoldersOnOneMount(std::vector<std::string> paths) {
    std::vector<DestinationFacts> facts(paths.size());
    std::map<dev_t, FileSystemFacts> fileSystems;
    for (size_t i = 0; i < paths.size(); ++i) {
        struct stat st {};
        if (stat(paths[i].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            continue; // NotFound
        }
        DestinationFacts& f = facts[i];
        f.state = DestinationFacts::State::Found;
        f.device = st.st_dev;
        f.inode = st.st_ino;
        f.writable = access(paths[i].c_str(), W_OK | X_OK) == 0;
        auto known = fileSystems.find(st.st_dev);
        if (known == fileSystems.end()) {
            known = fileSystems.emplace(st.st_dev, AskFileSystem(paths[i])).first;
        }
        f.fs = known->second;
    }
    return facts;
}

std::vector<DestinationFacts> ProbeDestinations(const QStringList& pathnames,
                                                std::chrono::milliseconds deadline,
                                                const FolderProbe& probe) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    std::vector<DestinationFacts> facts(static_cast<size_t>(pathnames.size()));
    const std::vector<std::string> points = MountPoints();
    std::map<std::string, MountGroup> groups;
    for (qsizetype i = 0; i < pathnames.size(); ++i) {
        const std::string path = pathnames[i].toStdString();
        if (path.empty() || path.front() != '/') {
            continue; // "<< Folder Not Found >>": NotFound
        }
        MountGroup& group = groups[MountOf(path, points)];
        group.paths.push_back(path);
        group.indexes.push_back(static_cast<size_t>(i));
    }
    // Every mount is asked at once, so one dead share costs the deadline once.
    for (auto& entry : groups) {
        entry.second.started = StartProbe(entry.second, probe);
    }
    for (auto& [mount, group] : groups) {
        const bool answered =
            group.started && group.answer.wait_until(until) == std::future_status::ready;
        const std::vector<DestinationFacts> found =
            answered ? group.answer.get() : std::vector<DestinationFacts>{};
        for (size_t k = 0; k < group.indexes.size(); ++k) {
            DestinationFacts& f = facts[group.indexes[k]];
            if (answered && k < found.size()) {
                f = found[k];
            } else {
                f.state = DestinationFacts::State::NotAnswering;
            }
        }
    }
    return facts;
}

} // namespace ferrolet
