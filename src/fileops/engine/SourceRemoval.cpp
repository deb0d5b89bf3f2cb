#include "fileops/engine/SourceRemoval.h"
#include "items/ItemAccess.h"

#include "fileops/engine/FolderTrail.h"
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

// The entry itself, not what it holds: unchanged, not pinned, and removable
// from its folder under the sticky bit's rule.
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
    return 0;
}

// Enters the recorded folder entry; entries can only be removed from it
// when it is writable.
Status EnterRecordedFolder(FolderTrail& trail, const CopiedEntry& entry) {
    if (Status status = trail.Descend(entry.name, entry.device, entry.inode); status != 0) {
        return status;
    }
    return entry.children.empty() ? 0 : CheckFolderWritable(trail.Fd());
}

// A recorded folder being walked and how many of its children are done.
struct RecordLevel {
    const CopiedEntry* folder;
    size_t next = 0;
};

// Checks every entry below the recorded folder entry, which has been
// checked itself, without a call or a descriptor per level.
Status CheckTree(int parentDir, const CopiedEntry& entry) {
    FolderTrail trail(parentDir, O_PATH);
    if (Status status = EnterRecordedFolder(trail, entry); status != 0) {
        return status;
    }
    std::vector<RecordLevel> levels{{&entry}};
    while (!levels.empty()) {
        RecordLevel& level = levels.back();
        if (level.next == level.folder->children.size()) {
            levels.pop_back();
            if (Status status = trail.Ascend(); status != 0) {
                return status;
            }
            continue;
        }
        const CopiedEntry& child = level.folder->children[level.next++];
        const FolderInfo folder{trail.Fd(), level.folder->owner, level.folder->mode};
        if (Status status = CheckEntry(folder, child); status != 0) {
            return status;
        }
        if (S_ISDIR(child.mode)) {
            if (Status status = EnterRecordedFolder(trail, child); status != 0) {
                return status;
            }
            levels.push_back({&child});
        }
    }
    return 0;
}

// Removes one recorded entry that is not a folder, if it is unchanged.
Status RemoveRecordedFile(int folderFd, const CopiedEntry& entry, bool* removedAny) {
    if (Status status = CheckUnchanged(folderFd, entry, false); status != 0) {
        return status;
    }
    if (unlinkat(folderFd, entry.name.c_str(), 0) != 0) {
        return LastErrnoStatus();
    }
    *removedAny = true;
    return 0;
}

// Removes the recorded folder entry bottom-up, a folder once what it held
// is gone.
Status RemoveTree(int parentDir, const CopiedEntry& entry, bool* removedAny) {
    FolderTrail trail(parentDir, O_PATH);
    if (Status status = trail.Descend(entry.name, entry.device, entry.inode); status != 0) {
        return status;
    }
    std::vector<RecordLevel> levels{{&entry}};
    while (!levels.empty()) {
        RecordLevel& level = levels.back();
        if (level.next < level.folder->children.size()) {
            const CopiedEntry& child = level.folder->children[level.next++];
            const Status status = S_ISDIR(child.mode)
                                      ? trail.Descend(child.name, child.device, child.inode)
                                      : RemoveRecordedFile(trail.Fd(), child, removedAny);
            if (status != 0) {
                return status;
            }
            if (S_ISDIR(child.mode)) {
                levels.push_back({&child});
            }
            continue;
        }
        const std::string& name = level.folder->name;
        levels.pop_back();
        if (Status status = trail.Ascend(); status != 0) {
            return status;
        }
        // Fails (ENOTEMPTY) when something was added that the copy lacks:
        // then it stays where it is.
        if (unlinkat(trail.Fd(), name.c_str(), AT_REMOVEDIR) != 0) {
            return LastErrnoStatus();
        }
        *removedAny = true;
    }
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
    if (Status status = CheckEntry(FolderInfo{parentDir, st.st_uid, st.st_mode}, entry);
        status != 0) {
        return status;
    }
    return S_ISDIR(entry.mode) ? CheckTree(parentDir, entry) : 0;
}

Status RemoveCopiedSource(int parentDir, const CopiedEntry& entry, bool* removedAny) {
    *removedAny = false;
    return S_ISDIR(entry.mode) ? RemoveTree(parentDir, entry, removedAny)
                               : RemoveRecordedFile(parentDir, entry, removedAny);
}

namespace {

// Enters a folder of our own copy to empty it, making it readable and
// writable first: a copied read-only folder is still ours to empty.
Status EnterOwnFolder(FolderTrail& trail, const std::string& name) {
    Status status = trail.Descend(name);
    if (status == EACCES && fchmodat(trail.Fd(), name.c_str(), 0700, 0) == 0) {
        status = trail.Descend(name);
    }
    if (status == 0) {
        fchmod(trail.Fd(), 0700);
    }
    return status;
}

// A folder of our own being emptied: its name and entries.
struct OwnLevel {
    std::string name;
    std::vector<std::string> names;
    size_t next = 0;
};

void KeepFirst(Status& first, Status status) {
    if (first == 0) {
        first = status;
    }
}

// Removes the entry at the trail's deepest level, or enters it when it is a
// folder (then it goes once emptied).
void RemoveOrEnter(FolderTrail& trail, const std::string& name, std::vector<OwnLevel>& levels,
                   Status& first) {
    struct stat st {};
    if (fstatat(trail.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        KeepFirst(first, LastErrnoStatus());
    } else if (!S_ISDIR(st.st_mode)) {
        if (unlinkat(trail.Fd(), name.c_str(), 0) != 0) {
            KeepFirst(first, LastErrnoStatus());
        }
    } else if (Status status = EnterOwnFolder(trail, name); status != 0) {
        KeepFirst(first, status);
    } else {
        OwnLevel level{name, {}, 0};
        KeepFirst(first, ListEntryNames(trail.Fd(), level.names));
        levels.push_back(std::move(level));
    }
}

} // namespace

Status RemoveOwnTreeAt(int dir, const std::string& name) {
    FolderTrail trail(dir, O_RDONLY);
    std::vector<OwnLevel> levels;
    Status first = 0;
    RemoveOrEnter(trail, name, levels, first);
    while (!levels.empty()) {
        OwnLevel& level = levels.back();
        if (level.next < level.names.size()) {
            const std::string child = level.names[level.next++];
            RemoveOrEnter(trail, child, levels, first);
            continue;
        }
        const std::string left = std::move(level.name);
        levels.pop_back();
        if (Status status = trail.Ascend(); status != 0) {
            KeepFirst(first, status);
            return first; // not where we were: remove nothing more
        }
        if (unlinkat(trail.Fd(), left.c_str(), AT_REMOVEDIR) != 0) {
            KeepFirst(first, LastErrnoStatus());
        }
    }
    return first;
}

} // namespace ferrolet
