#include "items/ItemAccess.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace ferrolet {

Status OpenFolderRef(const FileRef& folder, ScopedFd& fd, bool forReading) {
    fd.Reset();
    if (folder.IsNull()) {
        return EINVAL;
    }
    const int mode = forReading ? O_RDONLY : O_PATH;
    ScopedFd opened(::open(folder.Path().c_str(), mode | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened.IsOpen()) {
        // O_NOFOLLOW on a link gives ELOOP; O_DIRECTORY on a link, ENOTDIR.
        return errno == ELOOP ? ENOTDIR : LastErrnoStatus();
    }
    struct stat st {};
    if (::fstat(opened.Get(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (st.st_dev != folder.Device() || st.st_ino != folder.Inode()) {
        return ENOENT;
    }
    fd = std::move(opened);
    return 0;
}

Status StatItemRef(const FileRef& item, struct stat& st) {
    if (item.IsNull()) {
        return EINVAL;
    }
    return item.StatMatching(AT_FDCWD, item.Path().c_str(), st);
}

Status CheckEntryName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return EINVAL;
    }
    if (name.size() > kMaxNameBytes) {
        return ENAMETOOLONG;
    }
    return 0;
}

std::string ChildPath(const std::string& folderPath, const std::string& name) {
    if (!folderPath.empty() && folderPath.back() == '/') {
        return folderPath + name;
    }
    return folderPath + "/" + name;
}

bool HasEntrySpeltExactly(int folderFd, const std::string& name) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) {
        return false;
    }
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

Status StatEntryInFolder(const FileRef& folder, const std::string& name, ScopedFd& fd,
                         struct stat& st) {
    if (const Status status = CheckEntryName(name); status != 0) {
        return status;
    }
    if (const Status status = OpenFolderRef(folder, fd); status != 0) {
        return status;
    }
    if (::fstatat(fd.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

Status ListEntryNames(int folderFd, std::vector<std::string>& names) {
    const int listFd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) {
        return LastErrnoStatus();
    }
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        const Status status = LastErrnoStatus();
        close(listFd);
        return status;
    }
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
        errno = 0;
    }
    const Status status = errno != 0 ? LastErrnoStatus() : 0;
    closedir(dir);
    return status;
}

} // namespace ferrolet
