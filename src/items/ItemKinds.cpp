#include "items/ItemKinds.h"

#include "items/ItemAccess.h"
#include "items/ItemNames.h"

#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {
// A ".hidden" file larger than this is not a list of names anyone wrote.
constexpr off_t kMaxHiddenListBytes = 1 << 20;

bool IsAppDir(const FileRef& folder) {
    ScopedFd fd;
    if (OpenFolderRef(folder, fd) != 0) {
        return false;
    }
    // AppRun is often a link to the program inside the AppDir, so this one
    // look follows it; nothing is done to what it points at.
    struct stat st {};
    return ::fstatat(fd.Get(), "AppRun", &st, 0) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & 0111) != 0;
}

bool ListedInHiddenFile(const FileRef& item, const std::string& name) {
    FileRef parent;
    if (FileRef::FromPath(item.ParentPath(), parent, FileRef::Leaf::Follow) != 0) {
        return false;
    }
    ScopedFd folderFd;
    if (OpenFolderRef(parent, folderFd) != 0) {
        return false;
    }
    ScopedFd file(::openat(folderFd.Get(), ".hidden",
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxHiddenListBytes) {
        return false;
    }
    std::string contents;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || contents.size() + static_cast<size_t>(got) > kMaxHiddenListBytes) {
            break;
        }
        contents.append(buffer, static_cast<size_t>(got));
    }
    std::string_view rest = contents;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line == name) {
            return true;
        }
    }
    return false;
}
} // namespace

bool IsPlainFolder(const FileRef& item) {
    struct stat st {};
    if (StatItemRef(item, st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    return !IsAppDir(item);
}

bool IsHiddenItem(const FileRef& item) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return false;
    }
    if ((*name)[0] == '.') {
        return true;
    }
    bool isFolder = false;
    if (ReadItemKind(item, &isFolder) != 0 || isFolder) {
        return false;
    }
    return ListedInHiddenFile(item, *name);
}

Status ReadItemKind(const FileRef& item, bool* isFolder) {
    struct stat st {};
    if (const Status status = StatItemRef(item, st); status != 0) {
        return status;
    }
    if (isFolder) {
        *isFolder = S_ISDIR(st.st_mode);
    }
    return 0;
}

} // namespace ferrolet
