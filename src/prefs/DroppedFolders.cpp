#include "DroppedFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

// An executable regular file named AppRun inside the open folder (a link
// named AppRun counts too, as AppImage tools make it one).
bool HoldsAppRun(int folderFd) {
    struct stat st {};
    if (fstatat(folderFd, "AppRun", &st, 0) != 0) {
        return false;
    }
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

} // namespace

bool IsDroppablePlainFolder(const QString& path) {
    const QByteArray bytes = path.toUtf8();
    if (bytes.isEmpty() || bytes.front() != '/' || bytes.size() >= 4096 || bytes.contains('\0')) {
        return false;
    }
    // O_NOFOLLOW refuses a symbolic link at the last component, so what we
    // look into is the very folder the user dropped.
    const int fd = open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool plain = !HoldsAppRun(fd);
    close(fd);
    return plain;
}

QStringList LocalPathsOfUrls(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

bool AnyPlainFolder(const QStringList& paths) {
    for (const QString& path : paths) {
        if (IsDroppablePlainFolder(path)) {
            return true;
        }
    }
    return false;
}

} // namespace ferrolet
