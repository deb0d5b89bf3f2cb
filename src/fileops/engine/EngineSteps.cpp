#include "fileops/engine/EngineSteps.h"

#include "fileops/engine/FileEngine.h"
#include "items/ItemAccess.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace ferrolet {

Status OpenItem(const FileRef& item, OpenedItem& out) {
    if (item.IsNull()) {
        return EINVAL;
    }
    out.name = item.Name();
    if (out.name.empty()) {
        return EINVAL; // the root folder cannot be moved or copied
    }
    out.folder.Reset(open(item.ParentPath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!out.folder.IsOpen()) {
        return LastErrnoStatus();
    }
    // ENOENT also when the path now holds another item.
    return item.StatMatching(out.folder.Get(), out.name.c_str(), out.info);
}

Status OpenDestination(const FileRef& folder, ScopedFd& out, struct stat& info) {
    if (folder.IsNull()) {
        return EINVAL;
    }
    out.Reset(open(folder.Path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!out.IsOpen()) {
        return LastErrnoStatus();
    }
    if (fstat(out.Get(), &info) != 0) {
        return LastErrnoStatus();
    }
    if (info.st_dev != folder.Device() || info.st_ino != folder.Inode()) {
        return ENOENT;
    }
    return 0;
}

Status RefuseMoveIntoItself(int destinationFd, const struct stat& item) {
    ScopedFd current(openat(destinationFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    // Deep enough for any real tree; a cycle of bind mounts cannot trap us.
    for (int depth = 0; depth < 4096 && current.IsOpen(); ++depth) {
        struct stat here {};
        if (fstat(current.Get(), &here) != 0) {
            return LastErrnoStatus();
        }
        if (SameInode(here, item)) {
            return EINVAL;
        }
        ScopedFd parent(openat(current.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent.IsOpen()) {
            return LastErrnoStatus();
        }
        struct stat above {};
        if (fstat(parent.Get(), &above) != 0) {
            return LastErrnoStatus();
        }
        if (SameInode(above, here)) {
            return 0; // reached the root
        }
        current = std::move(parent);
    }
    return current.IsOpen() ? ELOOP : LastErrnoStatus();
}

Status MakeHiddenName(int folderFd, std::string& out) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        unsigned char bytes[8];
        if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
            return LastErrnoStatus();
        }
        char hex[2 * sizeof bytes + 1];
        for (size_t i = 0; i < sizeof bytes; ++i) {
            std::snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
        }
        out = std::string(kPartialCopyPrefix) + hex;
        struct stat st {};
        if (fstatat(folderFd, out.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return errno == ENOENT ? 0 : LastErrnoStatus();
        }
    }
    return EEXIST;
}

Status RenameWithoutReplacing(int fromDir, const std::string& from, int toDir,
                              const std::string& to, bool isFolder) {
    if (renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    // A file system without RENAME_NOREPLACE (some FUSE ones) says EINVAL: a
    // hard link refuses an existing name just as well, for anything but a
    // folder.
    if (errno != EINVAL || isFolder) {
        return LastErrnoStatus();
    }
    if (linkat(fromDir, from.c_str(), toDir, to.c_str(), 0) != 0) {
        return LastErrnoStatus();
    }
    if (unlinkat(fromDir, from.c_str(), 0) != 0) {
        const Status status = LastErrnoStatus();
        unlinkat(toDir, to.c_str(), 0); // keep one name, the original
        return status;
    }
    return 0;
}

Status MakeDurable(int folderFd, const std::string& entryName) {
    ScopedFd fd(openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        fd.Reset(
            openat(folderFd, entryName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    }
    if (!fd.IsOpen()) {
        sync(); // a folder we may not read holding a symbolic link
        return 0;
    }
    if (syncfs(fd.Get()) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

Status ReferenceTo(const std::string& folderPath, int folderFd, const std::string& name,
                   FileRef* out) {
    struct stat st {};
    if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    if (out) {
        const std::string path = folderPath == "/" ? "/" + name : folderPath + "/" + name;
        *out = FileRef::Make(path, st.st_dev, st.st_ino);
    }
    return 0;
}

} // namespace ferrolet
