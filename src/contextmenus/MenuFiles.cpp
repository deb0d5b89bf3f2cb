#include "MenuFiles.h"

#include "items/ScopedFd.h"

#include <QUuid>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

Status WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrnoStatus();
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Writes the temporary file and flushes it; the caller renames it.
Status WriteTemporary(int folderFd, const std::string& temp, const std::string& content,
                      mode_t mode) {
    ScopedFd fd(
        openat(folderFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.Get() < 0) {
        return LastErrnoStatus();
    }
    Status status = WriteAll(fd.Get(), content);
    if (status == 0 && fchmod(fd.Get(), mode) != 0) {
        status = LastErrnoStatus();
    }
    if (status == 0 && fsync(fd.Get()) != 0) {
        status = LastErrnoStatus();
    }
    return status;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    ScopedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd.Get(), buffer, sizeof buffer)) > 0) {
        content.append(buffer, static_cast<size_t>(n));
    }
    return n < 0 ? std::nullopt : std::optional<std::string>(content);
}

Status ReplaceFile(const std::string& folder, const std::string& name, const std::string& content,
                   mode_t mode) {
    const std::string path = folder + "/" + name;
    struct stat st {};
    const std::optional<std::string> old = ReadWholeFile(path);
    if (old && *old == content && lstat(path.c_str(), &st) == 0 && (st.st_mode & 07777) == mode) {
        return 0;
    }
    ScopedFd folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.Get() < 0) {
        return LastErrnoStatus();
    }
    const std::string temp = "." + name.substr(0, 180) + ".ferrolet-" +
                             QUuid::createUuid().toString(QUuid::Id128).toStdString();
    Status status = WriteTemporary(folderFd.Get(), temp, content, mode);
    if (status == 0 && renameat(folderFd.Get(), temp.c_str(), folderFd.Get(), name.c_str()) != 0) {
        status = LastErrnoStatus();
    }
    if (status != 0) {
        unlinkat(folderFd.Get(), temp.c_str(), 0);
        return status;
    }
    fsync(folderFd.Get()); // the rename itself made durable
    return 0;
}

Status MakeFolders(const std::string& folder) {
    for (size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return LastErrnoStatus();
        }
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

Status ForEachEntry(const std::string& folder,
                    const std::function<void(const std::string&)>& visit) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return LastErrnoStatus();
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const Status status = LastErrnoStatus();
        close(fd);
        return status;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    for (const std::string& name : names) {
        visit(name); // after reading, so visit may remove entries
    }
    return 0;
}

bool IsOurFile(const std::string& path) {
    const std::optional<std::string> content = ReadWholeFile(path);
    return content && content->substr(0, 512).find(kGeneratedMark) != std::string::npos;
}

} // namespace ferrolet
