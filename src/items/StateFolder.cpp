#include "items/StateFolder.h"

#include "util/AppPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

Status UsableStateFolder(FileRef& folder) {
    const std::string made = StateDirectory();
    const std::string path = made.empty() ? StateDirectoryPath() : made;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (S_ISLNK(st.st_mode)) {
        return ELOOP;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ENOTDIR;
    }
    // The effective user, as the folders are made with it; a read-only mount
    // answers EROFS even to root.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return LastErrnoStatus();
    }
    return FileRef::FromPath(path, folder);
}

} // namespace ferrolet
