#include "ItemIdentity.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace ferrolet {

namespace {

struct HandleBuffer {
    struct file_handle header;
    unsigned char bytes[kFolderRecordMaxHandle];
};

// 0 when read, else the errno of the failure.
int ReadHandle(int dirFd, const char* name, int32_t& type, QByteArray& bytes) {
    HandleBuffer buffer{};
    buffer.header.handle_bytes = kFolderRecordMaxHandle;
    int mountId = 0;
    if (name_to_handle_at(dirFd, name, &buffer.header, &mountId, 0) != 0) {
        return errno;
    }
    type = buffer.header.handle_type;
    bytes = QByteArray(reinterpret_cast<const char*>(buffer.header.f_handle),
                       static_cast<qsizetype>(buffer.header.handle_bytes));
    return 0;
}

bool ReadBirthTime(int dirFd, const char* name, int64_t& seconds, uint32_t& nanoseconds) {
    struct statx sx {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BTIME, &sx) != 0 ||
        !(sx.stx_mask & STATX_BTIME)) {
        return false;
    }
    seconds = sx.stx_btime.tv_sec;
    nanoseconds = sx.stx_btime.tv_nsec;
    return true;
}

uint64_t ReadFsid(int dirFd, const char* name) {
    const int fd = openat(dirFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    struct statfs sf {};
    const bool ok = fstatfs(fd, &sf) == 0;
    close(fd);
    if (!ok) {
        return 0;
    }
    uint64_t fsid = 0;
    static_assert(sizeof sf.f_fsid == sizeof fsid);
    std::memcpy(&fsid, &sf.f_fsid, sizeof fsid);
    return fsid;
}

} // namespace

void CaptureItemIdentity(int dirFd, const char* name, FolderRecordFields& f) {
    f.hasHandle = ReadHandle(dirFd, name, f.handleType, f.handleBytes) == 0;
    f.hasBirthTime = ReadBirthTime(dirFd, name, f.birthSeconds, f.birthNanoseconds);
    f.fsid = ReadFsid(dirFd, name);
}

bool ItemMatches(int dirFd, const char* name, const FolderRecordFields& f, struct stat& st) {
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        return false;
    }
    if (static_cast<uint64_t>(st.st_ino) != f.inode) {
        return false;
    }
    if (f.fileType != 0 && (st.st_mode & S_IFMT) != f.fileType) {
        return false;
    }
    if (static_cast<uint64_t>(st.st_dev) != f.device &&
        (f.fsid == 0 || ReadFsid(dirFd, name) != f.fsid)) {
        return false;
    }
    if (f.hasHandle) {
        int32_t type = 0;
        QByteArray bytes;
        if (ReadHandle(dirFd, name, type, bytes) == 0) {
            return type == f.handleType && bytes == f.handleBytes;
        }
    }
    if (f.hasBirthTime) {
        int64_t seconds = 0;
        uint32_t nanoseconds = 0;
        if (ReadBirthTime(dirFd, name, seconds, nanoseconds)) {
            return seconds == f.birthSeconds && nanoseconds == f.birthNanoseconds;
        }
    }
    // Nothing more to compare on this file system: inode and volume decide.
    return true;
}

} // namespace ferrolet
