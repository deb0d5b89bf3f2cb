#include "fileops/commands/CutStateLock.h"

#include "util/AppPaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace ferrolet {

namespace {

constexpr const char* kLockFileName = "pending-cut.lock";

} // namespace

CutStateLock::CutStateLock() {
    const std::string dir = StateDirectory();
    if (dir.empty()) {
        m_status = ENOENT;
        return;
    }
    ScopedFd dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!dirFd.IsOpen()) {
        m_status = LastErrnoStatus();
        return;
    }
    // Never a FIFO or a link planted at the name: no blocking open, no
    // following.
    m_fd.Reset(openat(dirFd.Get(), kLockFileName,
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (!m_fd.IsOpen()) {
        m_status = LastErrnoStatus();
        return;
    }
    struct stat st {};
    if (fstat(m_fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_status = EINVAL;
        m_fd.Reset();
        return;
    }
    while (flock(m_fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_status = LastErrnoStatus();
            m_fd.Reset();
            return;
        }
    }
}

} // namespace ferrolet
