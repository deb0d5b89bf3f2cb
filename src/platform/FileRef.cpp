#include "FileRef.h"

#include "PathHelpers.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

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
// The entry's birth time in nanoseconds, 0 when the file system keeps none.
int64_t BirthNs(int dirFd, const char* name) {
    struct statx sx {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0 ||
        (sx.stx_mask & STATX_BTIME) == 0) {
        return 0;
    }
    return static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
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
    if (lstat(resolved.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (isDirectory) {
        *isDirectory = S_ISDIR(st.st_mode);
    }
    out = Make(std::move(resolved), st.st_dev, st.st_ino);
    out.m_birthNs = BirthNs(AT_FDCWD, out.m_path.c_str());
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
    return lstat(m_path.c_str(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode &&
           SameBirthAs(AT_FDCWD, m_path.c_str());
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
