#include "history/SourceMatching.h"

#include "history/PathParts.h"
#include "items/ItemAccess.h"
#include "items/ScopedFd.h"

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

bool SameLinkTarget(int aDir, const std::string& a, int bDir, const std::string& b) {
    char one[PATH_MAX];
    char two[PATH_MAX];
    const ssize_t n = readlinkat(aDir, a.c_str(), one, sizeof one);
    const ssize_t m = readlinkat(bDir, b.c_str(), two, sizeof two);
    return n >= 0 && n == m && std::string(one, n) == std::string(two, m);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

int RemoveMatching(int srcDir, const std::string& srcName, int copyDir,
                   const std::string& copyName) {
    struct stat src {};
    struct stat copy {};
    if (fstatat(srcDir, srcName.c_str(), &src, AT_SYMLINK_NOFOLLOW) != 0) {
        return 0; // already gone
    }
    if (fstatat(copyDir, copyName.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0 ||
        (src.st_mode & S_IFMT) != (copy.st_mode & S_IFMT)) {
        return 1;
    }
    if (S_ISDIR(src.st_mode)) {
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        ScopedFd srcFd(openat(srcDir, srcName.c_str(), flags));
        ScopedFd copyFd(openat(copyDir, copyName.c_str(), flags));
        std::vector<std::string> names;
        if (!srcFd.IsOpen() || !copyFd.IsOpen() || ListEntryNames(srcFd.Get(), names) != 0) {
            return 1;
        }
        int left = 0;
        for (const std::string& name : names) {
            left += RemoveMatching(srcFd.Get(), name, copyFd.Get(), name);
        }
        if (left == 0) {
            unlinkat(srcDir, srcName.c_str(), AT_REMOVEDIR);
        }
        return left;
    }
    const bool same = S_ISREG(src.st_mode)   ? SameFile(src, copy)
                      : S_ISLNK(src.st_mode) ? SameLinkTarget(srcDir, srcName, copyDir, copyName)
                                             : true;
    if (!same || unlinkat(srcDir, srcName.c_str(), 0) != 0) {
        return 1;
    }
    return 0;
}

} // namespace

int RemoveSourceMatchingCopy(const std::string& sourcePath, const std::string& copyPath) {
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    ScopedFd srcDir(open(ParentPathOf(sourcePath).c_str(), flags));
    ScopedFd copyDir(open(ParentPathOf(copyPath).c_str(), flags));
    if (!srcDir.IsOpen() || !copyDir.IsOpen()) {
        return 1;
    }
    return RemoveMatching(srcDir.Get(), NamePartOf(sourcePath), copyDir.Get(),
                          NamePartOf(copyPath));
}

} // namespace ferrolet
