#include "DestinationProbe.h"

#include "items/ScopedFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
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

// Whether this user may make items in the folder (its mount may be
// read-only: EROFS). Kernels before 5.8 cannot ask a descriptor; then the
// path is asked.
bool Writable(int folder, const std::string& path) {
    if (faccessat(folder, "", W_OK | X_OK, AT_EMPTY_PATH) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        return access(path.c_str(), W_OK | X_OK) == 0;
    }
    return false;
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

// Starts the probe of one group on a detached thread: a probe stuck in a
// system call is abandoned, never joined.
bool StartProbe(MountGroup& group, const FolderProbe& probe) {
    auto task = std::make_shared<std::packaged_task<std::vector<DestinationFacts>()>>(
        [probe, paths = group.paths, progress = group.progress] {
            progress->store(0);
            return probe(paths, *progress);
        });
    group.answer = task->get_future();
    try {
        std::thread([task] { (*task)(); }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

// Waits for the group's answer until the deadline, and on while its probe
// has not started or keeps moving (a busy machine, not a dead mount), but
// never past latest.
bool AnswersInTime(MountGroup& group, std::chrono::steady_clock::time_point deadline,
                   std::chrono::steady_clock::duration step,
                   std::chrono::steady_clock::time_point latest) {
    int seen = 0;
    while (group.answer.wait_until(deadline) != std::future_status::ready) {
        const int now = group.progress->load();
        if ((now >= 0 && now <= seen) || deadline >= latest) {
            return false;
        }
        seen = std::max(now, seen);
        deadline = std::min(deadline + step, latest);
    }
    return true;
}

} // namespace

std::vector<DestinationFacts> ProbeFoldersOnOneMount(std::vector<std::string> paths,
                                                     ProbeProgress& progress) {
    std::vector<DestinationFacts> facts(paths.size());
    std::map<dev_t, FileSystemFacts> fileSystems;
    for (size_t i = 0; i < paths.size(); ++i) {
        // The path is walked once; the folder is then asked through its
        // descriptor.
        progress.store(static_cast<int>(i));
        const ScopedFd folder(open(paths[i].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat st {};
        if (!folder.IsOpen() || fstat(folder.Get(), &st) != 0) {
            continue; // NotFound: nothing there, or not a folder
        }
        DestinationFacts& f = facts[i];
        f.state = DestinationFacts::State::Found;
        f.device = st.st_dev;
        f.inode = st.st_ino;
        f.writable = Writable(folder.Get(), paths[i]);
        auto known = fileSystems.find(st.st_dev);
        if (known == fileSystems.end()) {
            known = fileSystems.emplace(st.st_dev, AskFileSystem(paths[i])).first;
        }
        f.fs = known->second;
    }
    return facts;
}

PendingProbe StartProbing(const QStringList& pathnames, std::chrono::milliseconds deadline,
                          const FolderProbe& probe) {
    PendingProbe pending;
    pending.until = std::chrono::steady_clock::now() + deadline;
    pending.latest = pending.until + 3 * deadline;
    pending.count = static_cast<size_t>(pathnames.size());
    const std::vector<std::string> points = MountPoints();
    for (qsizetype i = 0; i < pathnames.size(); ++i) {
        const std::string path = pathnames[i].toStdString();
        if (path.empty() || path.front() != '/') {
            continue; // "<< Folder Not Found >>": NotFound
        }
        MountGroup& group = pending.groups[MountOf(path, points)];
        group.paths.push_back(path);
        group.indexes.push_back(static_cast<size_t>(i));
    }
    // Every mount is asked at once, so one dead share costs the deadline once.
    for (auto& entry : pending.groups) {
        entry.second.started = StartProbe(entry.second, probe);
    }
    return pending;
}

std::vector<DestinationFacts> CollectProbes(PendingProbe& pending) {
    std::vector<DestinationFacts> facts(pending.count);
    const auto step = (pending.latest - pending.until) / 3;
    for (auto& [mount, group] : pending.groups) {
        const bool answered =
            group.started && AnswersInTime(group, pending.until, step, pending.latest);
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
    pending.groups.clear();
    return facts;
}

std::vector<DestinationFacts> ProbeDestinations(const QStringList& pathnames,
                                                std::chrono::milliseconds deadline,
                                                const FolderProbe& probe) {
    PendingProbe pending = StartProbing(pathnames, deadline, probe);
    return CollectProbes(pending);
}

} // namespace ferrolet
