#include "dispatch/StandardFolderOpening.h"

#include <cerrno>
#include <sys/stat.h>

namespace ferrolet {

namespace {

Status MakeFolderWithParents(const std::string& path) {
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        const std::string partial = path.substr(0, pos);
        if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    return 0;
}

} // namespace

Status OpenStandardFolder(const std::string& path, FileRef& folder) {
    if (path.empty() || path.front() != '/') {
        return ENOENT;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return errno;
        }
        if (const Status status = MakeFolderWithParents(path); status != 0) {
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
