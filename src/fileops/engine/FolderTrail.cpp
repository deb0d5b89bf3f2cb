#include "fileops/engine/FolderTrail.h"

#include <fcntl.h>
#include <unistd.h>

namespace ferrolet {

FolderTrail::FolderTrail(int topParentFd, int openFlags)
    : m_topParent(topParentFd), m_flags(openFlags) {}

int FolderTrail::Fd() const {
    return m_levels.empty() ? m_topParent : m_levels.back().fd.Get();
}

Status FolderTrail::Descend(const std::string& name) {
    return Enter(name, nullptr, nullptr);
}

Status FolderTrail::Descend(const std::string& name, dev_t device, ino_t inode) {
    return Enter(name, &device, &inode);
}

Status FolderTrail::Enter(const std::string& name, const dev_t* device, const ino_t* inode) {
    ScopedFd fd(openat(Fd(), name.c_str(), m_flags | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (device && (st.st_dev != *device || st.st_ino != *inode)) {
        return EBUSY; // replaced since it was looked at
    }
    m_levels.push_back(Level{name, st.st_dev, st.st_ino, std::move(fd)});
    if (m_levels.size() - m_firstOpen > kOpenLevels) {
        m_levels[m_firstOpen++].fd.Reset();
    }
    return 0;
}

// The deepest level lost its descriptor on the way down: ".." of the level
// just left leads back to it without a name that could have been swapped,
// and its identity shows whether the level left was moved elsewhere.
Status FolderTrail::ReopenDeepest(int belowFd) {
    Level& level = m_levels.back();
    level.fd.Reset(openat(belowFd, "..", m_flags | O_DIRECTORY | O_CLOEXEC));
    if (!level.fd.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat st {};
    if (fstat(level.fd.Get(), &st) != 0) {
        return LastErrnoStatus();
    }
    m_firstOpen = m_levels.size() - 1;
    return st.st_dev == level.device && st.st_ino == level.inode ? 0 : EBUSY;
}

Status FolderTrail::Ascend() {
    if (m_levels.empty()) {
        return EINVAL;
    }
    const Level left = std::move(m_levels.back());
    m_levels.pop_back();
    if (m_firstOpen > m_levels.size()) {
        m_firstOpen = m_levels.size();
    }
    if (!m_levels.empty() && !m_levels.back().fd.IsOpen()) {
        if (Status status = ReopenDeepest(left.fd.Get()); status != 0) {
            return status;
        }
    }
    struct stat named {};
    if (fstatat(Fd(), left.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? EBUSY : LastErrnoStatus();
    }
    return named.st_dev == left.device && named.st_ino == left.inode ? 0 : EBUSY;
}

} // namespace ferrolet
