#include "fileops/engine/EntryMetadata.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

// Lists a descriptor's attribute names; the list may grow between the size
// query and the read, so retry on ERANGE.
Status ListNames(int fd, std::vector<char>& names) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        if (size < 0) {
            return (errno == ENOTSUP) ? 0 : LastErrnoStatus();
        }
        names.resize(static_cast<size_t>(size));
        if (size == 0) {
            return 0;
        }
        const ssize_t got = flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<size_t>(got));
            return 0;
        }
        if (errno != ERANGE) {
            return LastErrnoStatus();
        }
    }
    return EAGAIN;
}

Status ReadValue(int fd, const char* name, std::vector<char>& value) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = fgetxattr(fd, name, nullptr, 0);
        if (size < 0) {
            return LastErrnoStatus();
        }
        value.resize(static_cast<size_t>(size));
        const ssize_t got = fgetxattr(fd, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<size_t>(got));
            return 0;
        }
        if (errno != ERANGE) {
            return LastErrnoStatus();
        }
    }
    return EAGAIN;
}

bool IsUserAttribute(const char* name) {
    return std::strncmp(name, "user.", 5) == 0;
}

timespec ToTimespec(const struct statx_timestamp& t) {
    timespec ts{};
    ts.tv_sec = t.tv_sec;
    ts.tv_nsec = t.tv_nsec;
    return ts;
}

mode_t PermissionBits(const struct statx& source, bool ownerKept, bool groupKept) {
    mode_t mode = source.stx_mode & 07777;
    if (!ownerKept) {
        mode &= ~mode_t(S_ISUID);
    }
    if (!groupKept) {
        mode &= ~mode_t(S_ISGID | S_ISUID);
    }
    return mode;
}

} // namespace

Status CopyExtendedAttributes(int srcFd, int dstFd) {
    std::vector<char> names;
    if (const Status status = ListNames(srcFd, names); status != 0) {
        return status;
    }
    std::vector<char> value;
    for (size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        const bool user = IsUserAttribute(name);
        Status status = ReadValue(srcFd, name, value);
        if (status == 0 && fsetxattr(dstFd, name, value.data(), value.size(), 0) != 0) {
            status = LastErrnoStatus();
        }
        if (status == 0 || status == ENOTSUP || status == ENOENT || status == ENODATA) {
            continue; // removed meanwhile, or the destination keeps no attributes
        }
        if (user) {
            return status;
        }
        // security.*, trusted.*, system.*: carried where allowed, else left.
    }
    return 0;
}

Status ApplyMetadata(int dstFd, const struct statx& source) {
    bool ownerKept = true;
    bool groupKept = true;
    if (fchown(dstFd, source.stx_uid, source.stx_gid) != 0) {
        ownerKept = false;
        groupKept = fchown(dstFd, static_cast<uid_t>(-1), source.stx_gid) == 0;
    }
    if (fchmod(dstFd, PermissionBits(source, ownerKept, groupKept)) != 0) {
        return LastErrnoStatus();
    }
    const timespec times[2] = {ToTimespec(source.stx_atime), ToTimespec(source.stx_mtime)};
    if (futimens(dstFd, times) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

Status ApplyMetadataAt(int dir, const std::string& name, const struct statx& source) {
    const bool isLink = S_ISLNK(source.stx_mode);
    bool ownerKept = true;
    bool groupKept = true;
    if (fchownat(dir, name.c_str(), source.stx_uid, source.stx_gid, AT_SYMLINK_NOFOLLOW) != 0) {
        ownerKept = false;
        groupKept = fchownat(dir, name.c_str(), static_cast<uid_t>(-1), source.stx_gid,
                             AT_SYMLINK_NOFOLLOW) == 0;
    }
    // A link's own mode means nothing on Linux; everything else here is a
    // FIFO, socket or device that this copy has just made in its own folder.
    if (!isLink && fchmodat(dir, name.c_str(), PermissionBits(source, ownerKept, groupKept), 0)) {
        return LastErrnoStatus();
    }
    const timespec times[2] = {ToTimespec(source.stx_atime), ToTimespec(source.stx_mtime)};
    if (utimensat(dir, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

} // namespace ferrolet
