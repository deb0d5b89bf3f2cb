#include "dispatch/StandardFolderOpening.h"

#include "util/Files.h"

#include <cerrno>
#include <sys/stat.h>

namespace ferrolet {

Status OpenStandardFolder(const std::string& path, FileRef& folder) {
    if (path.empty() || path.front() != '/') {
        return ENOENT;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return errno;
        }
        if (const Status status = MakeFolders(path, 0755); status != 0) {
            return status;
        }
    }
    bool isFolder = false;
    if (const Status status = FileRef::FromPath(path, folder, FileRef::Leaf::Follow, &isFolder);
        status != 0) {
        return status;
    }
    if (!isFolder) {
        folder = FileRef();
        return ENOTDIR;
    }
    return 0;
}

} // namespace ferrolet
