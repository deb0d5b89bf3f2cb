#include "fileops/engine/TreeSize.h"

#include "fileops/engine/FolderTrail.h"
#include "items/ItemAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace ferrolet {

namespace {

struct ListedFolder {
    std::vector<std::string> names;
    size_t next = 0;
};

ListedFolder List(int folderFd) {
    ListedFolder listed;
    if (ListEntryNames(folderFd, listed.names) != 0) {
        listed.names.clear(); // a folder we cannot read counts nothing
    }
    return listed;
}

} // namespace

uint64_t TreeBytesAt(int dir, const std::string& name, bool sameFileSystem) {
    struct stat top {};
    if (fstatat(dir, name.c_str(), &top, AT_SYMLINK_NOFOLLOW) != 0) {
        return 0;
    }
    if (!S_ISDIR(top.st_mode)) {
        return S_ISREG(top.st_mode) ? static_cast<uint64_t>(top.st_size) : 0;
    }
    FolderTrail trail(dir, O_RDONLY);
    if (trail.Descend(name, top.st_dev, top.st_ino) != 0) {
        return 0;
    }
    uint64_t total = 0;
    std::vector<ListedFolder> levels;
    levels.push_back(List(trail.Fd()));
    while (!levels.empty()) {
        ListedFolder& level = levels.back();
        if (level.next == level.names.size()) {
            levels.pop_back();
            if (trail.Ascend() != 0) {
                break; // the tree changed under us; the figure is only a guide
            }
            continue;
        }
        const std::string child = level.names[level.next++];
        struct stat st {};
        if (fstatat(trail.Fd(), child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode) && (!sameFileSystem || st.st_dev == top.st_dev) &&
                   trail.Descend(child, st.st_dev, st.st_ino) == 0) {
            levels.push_back(List(trail.Fd()));
        }
    }
    return total;
}

} // namespace ferrolet
