#include "items/FolderItems.h"

#include "items/ItemAccess.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

Status GetParentFolderRef(const FileRef& item, FileRef& parent) {
    parent = FileRef();
    struct stat st {};
    if (const Status status = StatItemRef(item, st); status != 0) {
        return status;
    }
    if (item.Path() == "/") {
        return 0;
    }
    // The parent path may pass through links the user followed to reach the
    // item; the parent is the folder those lead to.
    FileRef folder;
    if (const Status status = FileRef::FromPath(item.ParentPath(), folder, FileRef::Leaf::Follow);
        status != 0) {
        return status;
    }
    if (folder.Device() != st.st_dev && S_ISDIR(st.st_mode)) {
        return 0; // a mount point: the root of its volume
    }
    parent = folder;
    return 0;
}

Status MakeChildRef(const FileRef& folder, const std::string& name, FileRef& child) {
    child = FileRef();
    ScopedFd fd;
    struct stat st {};
    if (const Status status = StatEntryInFolder(folder, name, fd, st); status != 0) {
        return status;
    }
    child = FileRef::Make(ChildPath(folder.Path(), name), st.st_dev, st.st_ino);
    return 0;
}

bool LookUpChild(const FileRef& folder, const std::string& name, FileRef& child) {
    return MakeChildRef(folder, name, child) != ENOENT;
}

bool LookUpChild(const FileRef& folder, const std::string& name) {
    FileRef child;
    return LookUpChild(folder, name, child);
}

Status FindOrCreateFolder(const FileRef& parent, const std::string& name, FileRef& folder) {
    folder = FileRef();
    if (const Status status = CheckEntryName(name); status != 0) {
        return status;
    }
    ScopedFd fd;
    if (const Status status = OpenFolderRef(parent, fd); status != 0) {
        return status;
    }
    struct stat st {};
    if (::fstatat(fd.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            return LastErrnoStatus();
        }
        // Someone else may make it between the look-up and here; theirs is
        // as good as ours.
        if (::mkdirat(fd.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            return LastErrnoStatus();
        }
        if (::fstatat(fd.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return LastErrnoStatus();
        }
    }
    folder = FileRef::Make(ChildPath(parent.Path(), name), st.st_dev, st.st_ino);
    return 0;
}

Status ListFolderItems(const FileRef& folder, std::vector<FileRef>& items) {
    items.clear();
    ScopedFd fd;
    if (const Status status = OpenFolderRef(folder, fd, /*forReading=*/true); status != 0) {
        return status;
    }
    DIR* dir = ::fdopendir(fd.Get());
    if (!dir) {
        return LastErrnoStatus();
    }
    const int dirFd = fd.Release(); // closedir closes it
    std::vector<FileRef> found;
    Status status = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                status = LastErrnoStatus();
            }
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                continue; // removed while we were listing
            }
            status = LastErrnoStatus();
            break;
        }
        found.push_back(FileRef::Make(ChildPath(folder.Path(), name), st.st_dev, st.st_ino));
    }
    ::closedir(dir);
    if (status != 0) {
        return status;
    }
    if (found.empty()) {
        return ENODATA;
    }
    items = std::move(found);
    return 0;
}

} // namespace ferrolet
