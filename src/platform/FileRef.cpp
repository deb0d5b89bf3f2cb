#include "FileRef.h"

#include "PathHelpers.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace ferrolet {

namespace {
// Removes "." and empty components and a trailing slash, without touching
// ".." (which may cross a symbolic link and so is left to the file system).
std::string Tidy(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/') {
            ++i;
        }
        const size_t start = i;
        while (i < path.size() && path[i] != '/') {
            ++i;
        }
        const std::string part = path.substr(start, i - start);
        if (part.empty() || part == ".") {
            continue;
        }
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}
int64_t BirthNsOf(const struct statx& sx) {
    if ((sx.stx_mask & STATX_BTIME) == 0) {
        return 0;
    }
    return static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
}
// The entry's birth time in nanoseconds, 0 when the file system keeps none.
int64_t BirthNs(int dirFd, const char* name) {
    struct statx sx {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0) {
        return 0;
    }
    return BirthNsOf(sx);
}
struct timespec TimeOf(const struct statx_timestamp& t) {
    return {static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)};
}
// The status and birth time of an entry, never followed, in one call.
int StatWithBirth(int dirFd, const char* name, struct stat& st, int64_t& birthNs) {
    struct statx sx {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return -1;
    }
    st = {};
    st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.st_ino = sx.stx_ino;
    st.st_mode = sx.stx_mode;
    st.st_nlink = sx.stx_nlink;
    st.st_uid = sx.stx_uid;
    st.st_gid = sx.stx_gid;
    st.st_rdev = makedev(sx.stx_rdev_major, sx.stx_rdev_minor);
    st.st_size = static_cast<off_t>(sx.stx_size);
    st.st_blksize = static_cast<blksize_t>(sx.stx_blksize);
    st.st_blocks = static_cast<blkcnt_t>(sx.stx_blocks);
    st.st_atim = TimeOf(sx.stx_atime);
    st.st_mtim = TimeOf(sx.stx_mtime);
    st.st_ctim = TimeOf(sx.stx_ctime);
    birthNs = BirthNsOf(sx);
    return 0;
}
} // namespace

Status FileRef::FromPath(const std::string& path, FileRef& out, Leaf leaf, bool* isDirectory) {
    out = FileRef();
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) {
        return EINVAL;
    }
    std::string resolved = Tidy(path);
    if (leaf == Leaf::Follow) {
        char real[PATH_MAX + 1];
        if (!realpath(resolved.c_str(), real)) {
            return LastErrnoStatus();
        }
        resolved = real;
    }
    struct stat st {};
    int64_t birthNs = 0;
    if (StatWithBirth(AT_FDCWD, resolved.c_str(), st, birthNs) != 0) {
        return LastErrnoStatus();
    }
    if (isDirectory) {
        *isDirectory = S_ISDIR(st.st_mode);
    }
    out = Make(std::move(resolved), st.st_dev, st.st_ino);
    out.m_birthNs = birthNs;
    return 0;
}

FileRef FileRef::Make(std::string path, dev_t device, ino_t inode) {
    FileRef ref;
    ref.m_path = std::move(path);
    ref.m_device = device;
    ref.m_inode = inode;
    return ref;
}

bool FileRef::IsValid() const {
    if (m_path.empty()) {
        return false;
    }
    struct stat st {};
    return StatMatching(AT_FDCWD, m_path.c_str(), st) == 0;
}

Status FileRef::StatMatching(int dirFd, const char* name, struct stat& st) const {
    int64_t birthNs = 0;
    if (StatWithBirth(dirFd, name, st, birthNs) != 0) {
        return LastErrnoStatus();
    }
    const bool sameBirth = m_birthNs == 0 || birthNs == 0 || birthNs == m_birthNs;
    return st.st_dev == m_device && st.st_ino == m_inode && sameBirth ? 0 : ENOENT;
}

bool FileRef::SameBirthAs(int dirFd, const char* name) const {
    if (m_birthNs == 0) {
        return true;
    }
    const int64_t birth = BirthNs(dirFd, name);
    return birth == 0 || birth == m_birthNs;
}

Status FileRef::MakePath(std::string& out, size_t maxSize) const {
    if (!IsValid()) {
        return m_path.empty() ? EINVAL : ENOENT;
    }
    if (m_path.size() + 1 > maxSize) {
        return ENAMETOOLONG;
    }
    out = m_path;
    return 0;
}

bool FileRef::SameItem(const FileRef& other) const {
    const bool bothBorn = m_birthNs != 0 && other.m_birthNs != 0;
    return !m_path.empty() && !other.m_path.empty() && m_device == other.m_device &&
           m_inode == other.m_inode && (!bothBorn || m_birthNs == other.m_birthNs) && IsValid() &&
           other.IsValid();
}

std::string FileRef::Name() const {
    if (m_path.size() <= 1) {
        return {};
    }
    return m_path.substr(m_path.rfind('/') + 1);
}

std::string FileRef::ParentPath() const {
    // The root (and a reference to nothing) has no folder to act in.
    if (m_path.size() <= 1) {
        return {};
    }
    return ParentOfPath(m_path);
}

} // namespace ferrolet
