#include "history/SourceMatching.h"

#include "fileops/engine/FolderTrail.h"
#include "history/PathParts.h"
#include "items/ItemAccess.h"
#include "items/ScopedFd.h"
#include "util/Files.h"

#include <cerrno>
#include <climits>
#include <cstring>
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

// Whether two regular files hold the same bytes, read through to the end.
bool SameContent(int aDir, const std::string& a, int bDir, const std::string& b) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    ScopedFd one(openat(aDir, a.c_str(), flags));
    ScopedFd two(openat(bDir, b.c_str(), flags));
    if (!one.IsOpen() || !two.IsOpen()) {
        return false;
    }
    std::vector<char> first(1 << 16);
    std::vector<char> second(1 << 16);
    for (;;) {
        const ssize_t n = ReadFully(one.Get(), first.data(), first.size());
        const ssize_t m = ReadFully(two.Get(), second.data(), second.size());
        if (n < 0 || n != m || std::memcmp(first.data(), second.data(), n) != 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
    }
}

// A source folder being emptied: its name, its entries and how many of
// them stay because the copy does not hold them as they are.
struct MatchLevel {
    std::string name;
    std::vector<std::string> names;
    size_t next = 0;
    int left = 0;
};

// The source and its copy walked side by side, a few descriptors each
// whatever the depth (a tree thousands of folders deep would otherwise
// exhaust the descriptor limit, and recovery runs at every start).
// With removing false it only compares, contents too, and changes nothing.
struct MatchWalk {
    FolderTrail source;
    FolderTrail copy;
    std::vector<MatchLevel> levels;
    bool removing = true;
};

// Enters a source folder and its copy, each checked to be the folder just
// looked at; 1 (left behind) when either cannot be entered.
int EnterPair(MatchWalk& walk, const std::string& name, const struct stat& src,
              const std::string& copyName, const struct stat& copy) {
    if (walk.source.Descend(name, src.st_dev, src.st_ino) != 0) {
        return 1;
    }
    MatchLevel level{name, {}, 0, 0};
    if (walk.copy.Descend(copyName, copy.st_dev, copy.st_ino) != 0 ||
        ListEntryNames(walk.source.Fd(), level.names) != 0) {
        walk.source.Ascend();
        return 1;
    }
    walk.levels.push_back(std::move(level));
    return 0;
}

// Removes the source entry name when it is still what the copy holds under
// copyName, or enters both when it is a folder (it goes once empty). The
// entries left.
int RemoveOrEnter(MatchWalk& walk, const std::string& name, const std::string& copyName) {
    const int srcDir = walk.source.Fd();
    const int copyDir = walk.copy.Fd();
    struct stat src {};
    struct stat copy {};
    if (fstatat(srcDir, name.c_str(), &src, AT_SYMLINK_NOFOLLOW) != 0) {
        return 0; // already gone
    }
    if (fstatat(copyDir, copyName.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0 ||
        (src.st_mode & S_IFMT) != (copy.st_mode & S_IFMT)) {
        return 1;
    }
    if (S_ISDIR(src.st_mode)) {
        return EnterPair(walk, name, src, copyName, copy);
    }
    const bool same =
        S_ISREG(src.st_mode)
            ? SameFile(src, copy) && (walk.removing || SameContent(srcDir, name, copyDir, copyName))
        : S_ISLNK(src.st_mode) ? SameLinkTarget(srcDir, name, copyDir, copyName)
                               : true;
    if (!walk.removing) {
        return same ? 0 : 1;
    }
    return same && unlinkat(srcDir, name.c_str(), 0) == 0 ? 0 : 1;
}

// Walks down from the top entry; a folder is removed once all its entries
// went, and whatever stayed is counted into the level above.
int RemoveMatching(MatchWalk& walk, const std::string& srcName, const std::string& copyName) {
    int left = RemoveOrEnter(walk, srcName, copyName);
    while (!walk.levels.empty()) {
        MatchLevel& level = walk.levels.back();
        if (level.next < level.names.size()) {
            const std::string child = level.names[level.next++];
            const size_t depth = walk.levels.size();
            // Entering a folder grows walk.levels, which may move level.
            const int stayed = RemoveOrEnter(walk, child, child);
            walk.levels[depth - 1].left += stayed;
            continue;
        }
        const MatchLevel done = std::move(level);
        walk.levels.pop_back();
        if (walk.source.Ascend() != 0 || walk.copy.Ascend() != 0) {
            return left + done.left + 1; // not where we were: remove nothing more
        }
        if (done.left == 0 && walk.removing) {
            unlinkat(walk.source.Fd(), done.name.c_str(), AT_REMOVEDIR);
        }
        (walk.levels.empty() ? left : walk.levels.back().left) += done.left;
    }
    return left;
}

// The walk over the source and its copy, removing or only comparing.
int WalkSourceAndCopy(const std::string& sourcePath, const std::string& copyPath, bool removing) {
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    ScopedFd srcDir(open(ParentPathOf(sourcePath).c_str(), flags));
    ScopedFd copyDir(open(ParentPathOf(copyPath).c_str(), flags));
    if (!srcDir.IsOpen() || !copyDir.IsOpen()) {
        return 1;
    }
    // The source's folders are listed and changed through their
    // descriptors; the copy's are only looked into.
    MatchWalk walk{
        FolderTrail(srcDir.Get(), O_RDONLY), FolderTrail(copyDir.Get(), O_PATH), {}, removing};
    return RemoveMatching(walk, NamePartOf(sourcePath), NamePartOf(copyPath));
}

} // namespace

int RemoveSourceMatchingCopy(const std::string& sourcePath, const std::string& copyPath) {
    return WalkSourceAndCopy(sourcePath, copyPath, true);
}

int EntriesDifferingFromCopy(const std::string& sourcePath, const std::string& copyPath) {
    return WalkSourceAndCopy(sourcePath, copyPath, false);
}

} // namespace ferrolet
