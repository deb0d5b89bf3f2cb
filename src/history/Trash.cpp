#include "history/Trash.h"

#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "items/UniqueName.h"
#include "util/AppPaths.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The device of the path or, when it is not there yet, of its nearest
// existing folder.
dev_t DeviceOf(std::string path) {
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0 && path != "/") {
        path = ParentOf(path);
    }
    return st.st_dev;
}

Status MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return LastErrnoStatus();
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

Status MakeFolders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (const std::string parent = ParentOf(path); parent != path) {
        if (Status status = MakeFolders(parent); status != 0) {
            return status;
        }
    }
    return MakeFolder(path);
}

// The Trash folder for an item on device, and the folder its .trashinfo
// paths are relative to (empty: absolute paths).
Status TrashFor(const std::string& path, dev_t device, std::string& trash, std::string& top) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string home = dataHome && *dataHome == '/' ? std::string(dataHome) + "/Trash"
                                                          : HomeDirectory() + "/.local/share/Trash";
    if (DeviceOf(home) == device) {
        trash = home;
        top.clear();
        return MakeFolders(home);
    }
    top = ParentOf(path);
    for (std::string up = ParentOf(top); top != "/" && DeviceOf(up) == device; up = ParentOf(up)) {
        top = up;
    }
    const std::string uid = std::to_string(getuid());
    struct stat shared {};
    if (lstat((top + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        trash = top + "/.Trash/" + uid;
        if (MakeFolder(trash) == 0) {
            return 0;
        }
    }
    trash = top + (top == "/" ? ".Trash-" : "/.Trash-") + uid;
    return MakeFolder(trash);
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Claims info/<name>.trashinfo under the first free name and writes it.
Status WriteTrashInfo(const std::string& trash, const std::string& name, const std::string& value,
                      std::string& claimed) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        claimed = name;
        if (attempt > 1) {
            claimed += " " + std::to_string(attempt);
        }
        std::string file = trash;
        file += "/files/";
        file += claimed;
        struct stat st {};
        if (lstat(file.c_str(), &st) == 0) {
            continue;
        }
        std::string info = trash;
        info += "/info/";
        info += claimed;
        info += ".trashinfo";
        ScopedFd fd(open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.IsOpen()) {
            if (errno == EEXIST) {
                continue;
            }
            return LastErrnoStatus();
        }
        const std::string text =
            "[Trash Info]\nPath=" + value + "\nDeletionDate=" + DeletionDate() + "\n";
        if (write(fd.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            const Status status = LastErrnoStatus();
            unlink(info.c_str());
            return status;
        }
        return 0;
    }
    return EEXIST;
}

Status RenameBetween(const std::string& fromFolder, const std::string& fromName,
                     const std::string& toFolder, const std::string& toName) {
    ScopedFd from(open(fromFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    ScopedFd to(open(toFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!from.IsOpen() || !to.IsOpen()) {
        return LastErrnoStatus();
    }
    if (renameat2(from.Get(), fromName.c_str(), to.Get(), toName.c_str(), RENAME_NOREPLACE) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

} // namespace

std::string TrashInfoPathValue(const std::string& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

Status MoveToTrash(const std::string& path, TrashedItem& out) {
    struct stat item {};
    if (lstat(path.c_str(), &item) != 0) {
        return LastErrnoStatus();
    }
    std::string trash;
    std::string top;
    if (Status status = TrashFor(path, item.st_dev, trash, top); status != 0) {
        return status;
    }
    for (const char* sub : {"/files", "/info"}) {
        if (Status status = MakeFolder(trash + sub); status != 0) {
            return status;
        }
    }
    if (DeviceOf(trash + "/files") != item.st_dev) {
        return EXDEV; // never copied into a Trash elsewhere
    }
    const std::string relative =
        top.empty() ? path : path.substr(top.size() + (top == "/" ? 0 : 1));
    std::string name;
    if (Status status = WriteTrashInfo(trash, NameOf(path), TrashInfoPathValue(relative), name);
        status != 0) {
        return status;
    }
    out.infoPath = trash + "/info/" + name + ".trashinfo";
    out.trashedPath = trash + "/files/" + name;
    if (Status status = RenameBetween(ParentOf(path), NameOf(path), trash + "/files", name);
        status != 0) {
        unlink(out.infoPath.c_str());
        return status;
    }
    return 0;
}

Status RestoreFromTrash(const TrashedItem& item, const std::string& originalPath,
                        std::string* restoredPath) {
    const std::string folder = ParentOf(originalPath);
    std::string name = NameOf(originalPath);
    Status status =
        RenameBetween(ParentOf(item.trashedPath), NameOf(item.trashedPath), folder, name);
    if (status == EEXIST) {
        name = UniqueNameFromName(name, NewUUIDString());
        status = RenameBetween(ParentOf(item.trashedPath), NameOf(item.trashedPath), folder, name);
    }
    if (status != 0) {
        return status;
    }
    unlink(item.infoPath.c_str());
    if (restoredPath) {
        *restoredPath = folder == "/" ? "/" + name : folder + "/" + name;
    }
    return 0;
}

} // namespace ferrolet
