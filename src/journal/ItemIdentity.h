#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace ferrolet {

// What makes an item the one a gesture made or moved: where it lives (device
// and inode), and for a file its size and modification time, so that a file
// that was written to since is not taken for the same. A folder's own times
// change whenever its contents do, so a folder is known by device and inode.
struct ItemIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    bool folder = false;

    bool IsSet() const { return inode != 0; }
    bool Matches(const ItemIdentity& other) const;
};

ItemIdentity IdentityOf(const struct stat& info);

// The identity of the entry name in the folder dirFd (or of a path, with
// AT_FDCWD), without following a final symbolic link; unset when there is
// nothing there.
ItemIdentity IdentityAt(int dirFd, const std::string& name);

} // namespace ferrolet
