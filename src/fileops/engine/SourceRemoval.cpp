#include "fileops/engine/SourceRemoval.h"
#include "items/ItemAccess.h"

#include "items/ScopedFd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

bool SameTime(const struct statx_timestamp& a, const struct statx_timestamp& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The entry under its name is the one recorded, and unchanged. The change
// time also shows a rewrite that put the old size and modification time
// back; it is left out once removal has begun, since removing one name of a
// hard-linked file changes the change time of its other names.
Status CheckUnchanged(int parentDir, const CopiedEntry& entry, bool compareChangeTime) {
    struct statx now {};
    if (Status status = StatxAt(parentDir, entry.name, now); status != 0) {
        return status == ENOENT ? EBUSY : status;
    }
    const bool sameItem = makedev(now.stx_dev_major, now.stx_dev_minor) == entry.device &&
                          now.stx_ino == entry.inode &&
                          (now.stx_mode & S_IFMT) == (entry.mode & S_IFMT);
    if (!sameItem) {
        return EBUSY;
    }
    if ((S_ISREG(entry.mode) || S_ISDIR(entry.mode)) &&
        (now.stx_size != entry.size || !SameTime(now.stx_mtime, entry.mtime) ||
         (compareChangeTime && !SameTime(now.stx_ctime, entry.ctime)))) {
        return EBUSY;
    }
    return 0;
}

struct FolderInfo {
    int fd = -1;
    uid_t owner = 0;
    mode_t mode = 0;
};

// Whether this process may remove entries from the folder at all.
Status CheckFolderWritable(int folderFd) {
    if (faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

Status CheckEntry(const FolderInfo& parent, const CopiedEntry& entry) {
    if (Status status = CheckUnchanged(parent.fd, entry, true); status != 0) {
        return status;
    }
    if (entry.pinned) {
        return EPERM;
    }
    const uid_t me = geteuid();
    if ((parent.mode & S_ISVTX) && me != 0 && me != parent.owner && me != entry.owner) {
        return EACCES;
    }
    if (!S_ISDIR(entry.mode)) {
        return 0;
    }
    ScopedFd folder(
        openat(parent.fd, entry.name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.IsOpen()) {
        return LastErrnoStatus();
    }
    if (!entry.children.empty()) {
        if (Status status = CheckFolderWritable(folder.Get()); status != 0) {
            return status;
        }
    }
    const FolderInfo self{folder.Get(), entry.owner, entry.mode};
    for (const CopiedEntry& child : entry.children) {
        if (Status status = CheckEntry(self, child); status != 0) {
            return status;
        }
    }
    return 0;
}

Status RemoveEntry(int parentDir, const CopiedEntry& entry, bool* removedAny) {
    if (S_ISDIR(entry.mode)) {
        ScopedFd folder(
            openat(parentDir, entry.name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.IsOpen()) {
            return LastErrnoStatus();
        }
        struct stat st {};
        if (fstat(folder.Get(), &st) != 0 || st.st_ino != entry.inode ||
            st.st_dev != entry.device) {
            return EBUSY;
        }
        for (const CopiedEntry& child : entry.children) {
            if (Status status = RemoveEntry(folder.Get(), child, removedAny); status != 0) {
                return status;
            }
        }
        // Fails (ENOTEMPTY) when something was added that the copy lacks:
        // then it stays where it is.
        if (unlinkat(parentDir, entry.name.c_str(), AT_REMOVEDIR) != 0) {
            return LastErrnoStatus();
        }
        *removedAny = true;
        return 0;
    }
    if (Status status = CheckUnchanged(parentDir, entry, false); status != 0) {
        return status;
    }
    if (unlinkat(parentDir, entry.name.c_str(), 0) != 0) {
        return LastErrnoStatus();
    }
    *removedAny = true;
    return 0;
}

} // namespace

Status CheckSourceRemovable(int parentDir, const CopiedEntry& entry) {
    struct stat st {};
    if (fstat(parentDir, &st) != 0) {
        return LastErrnoStatus();
    }
    if (Status status = CheckFolderWritable(parentDir); status != 0) {
        return status;
    }
    return CheckEntry(FolderInfo{parentDir, st.st_uid, st.st_mode}, entry);
}

Status RemoveCopiedSource(int parentDir, const CopiedEntry& entry, bool* removedAny) {
    *removedAny = false;
    return RemoveEntry(parentDir, entry, removedAny);
}

Status RemoveOwnTreeAt(int dir, const std::string& name) {
    struct stat st {};
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    Status first = 0;
    if (S_ISDIR(st.st_mode)) {
        ScopedFd folder(openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.IsOpen() && errno == EACCES && fchmodat(dir, name.c_str(), 0700, 0) == 0) {
            folder.Reset(
                openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!folder.IsOpen()) {
            return LastErrnoStatus();
        }
        fchmod(folder.Get(), 0700); // a copied read-only folder is still ours to empty
        std::vector<std::string> names;
        first = ListEntryNames(folder.Get(), names);
        for (const std::string& child : names) {
            const Status status = RemoveOwnTreeAt(folder.Get(), child);
            if (first == 0) {
                first = status;
            }
        }
    }
    if (unlinkat(dir, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0 && first == 0) {
        first = LastErrnoStatus();
    }
    return first;
}

} // namespace ferrolet
