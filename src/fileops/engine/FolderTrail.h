#pragma once

#include "items/ScopedFd.h"
#include "util/Status.h"

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet {

// The folders from the top of a tree walk down to the one it is in: one name
// and identity per level, and descriptors for the deepest few levels only. A
// walk through a tree of any depth thus holds a fixed number of descriptors
// (one per level would exhaust the usual limit of 1,024 at a thousand levels)
// and memory that grows with the depth, not with its square.
//
// Climbing out of a folder reopens the level above through ".." when its
// descriptor was closed and checks that it is the folder met on the way
// down; and every climb checks that the level above still holds the folder
// left under its name. A folder moved away, or swapped for another folder or
// for a symbolic link, while the walk was inside it fails the climb with
// EBUSY: the walk never goes on anywhere but in the tree it entered.
class FolderTrail {
public:
    // The deepest levels whose descriptors stay open.
    static constexpr size_t kOpenLevels = 8;

    // topParentFd is the folder holding the walk's top folder; it stays the
    // caller's and must stay open while the trail is used. openFlags is
    // O_RDONLY (to list folders and change them through their descriptor)
    // or O_PATH.
    FolderTrail(int topParentFd, int openFlags);

    // Enters the folder name of the deepest level (of the top parent at
    // first), never following a symbolic link. When given, the folder must be
    // the item device/inode (EBUSY otherwise); the open's own error when it
    // cannot be entered.
    Status Descend(const std::string& name);
    Status Descend(const std::string& name, dev_t device, ino_t inode);

    // Leaves the deepest level for the one above it (see above).
    Status Ascend();

    // The deepest level's descriptor, or the top parent's when no level has
    // been entered.
    int Fd() const;

private:
    struct Level {
        std::string name;
        dev_t device = 0;
        ino_t inode = 0;
        ScopedFd fd;
    };

    Status Enter(const std::string& name, const dev_t* device, const ino_t* inode);
    Status ReopenDeepest(int belowFd);

    int m_topParent;
    int m_flags;
    std::vector<Level> m_levels;
    // Levels from this one down have their descriptor open.
    size_t m_firstOpen = 0;
};

} // namespace ferrolet
