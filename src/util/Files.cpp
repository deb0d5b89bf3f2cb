#include "util/Files.h"

#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

// Closes the descriptor it holds when it goes.
struct Descriptor {
    int fd;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Writes the temporary file and flushes it; the caller renames it.
Status WriteTemporary(int folderFd, const std::string& temp, const std::string& content,
                      mode_t mode) {
    const Descriptor file(
        openat(folderFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (file.fd < 0) {
        return LastErrnoStatus();
    }
    Status status = WriteAll(file.fd, content.data(), content.size());
    if (status == 0 && fchmod(file.fd, mode) != 0) {
        status = LastErrnoStatus();
    }
    if (status == 0 && fsync(file.fd) != 0) {
        status = LastErrnoStatus();
    }
    return status;
}

} // namespace

Status WriteAll(int fd, const char* data, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = offset < 0 ? write(fd, data, size) : pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? LastErrnoStatus() : EIO;
        }
        data += n;
        size -= static_cast<size_t>(n);
        offset = offset < 0 ? offset : offset + n;
    }
    return 0;
}

ssize_t ReadFully(int fd, char* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? n : static_cast<ssize_t>(got);
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

Status MakeFolders(const std::string& folder, mode_t mode) {
    for (size_t slash = 0; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
            return LastErrnoStatus();
        }
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (file.fd < 0 || fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = read(file.fd, buffer, sizeof buffer)) > 0) {
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
    const Descriptor folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.fd < 0) {
        return LastErrnoStatus();
    }
    const std::string temp = "." + name.substr(0, 180) + ".ferrolet-" +
                             QUuid::createUuid().toString(QUuid::Id128).toStdString();
    Status status = WriteTemporary(folderFd.fd, temp, content, mode);
    if (status == 0 && renameat(folderFd.fd, temp.c_str(), folderFd.fd, name.c_str()) != 0) {
        status = LastErrnoStatus();
    }
    if (status != 0) {
        unlinkat(folderFd.fd, temp.c_str(), 0);
        return status;
    }
    fsync(folderFd.fd); // the rename itself made durable
    return 0;
}

} // namespace ferrolet
