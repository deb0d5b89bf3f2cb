#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ferrolet {

// What the menu knows about the selection when it checks destinations:
// gathered once per build (SelectionFacts.h), read by every check.
struct SelectedItemFacts {
    std::string path;
    std::string name; // the last path component, bytes
    dev_t device = 0;
    ino_t inode = 0;
    bool isFolder = false; // a directory, not a link to one
};

// Summed up as the items are added (AddSelectedItem), so that checking a
// hundred destinations does not look at a thousand items a hundred times.
struct SelectionFacts {
    size_t itemCount = 0;                   // the valid items of the snapshot
    std::string firstName;                  // the first item's name (an archive's)
    std::vector<SelectedItemFacts> folders; // the selected folders
    size_t longestName = 0;                 // bytes
    bool fatUnsafeName = false;             // a name FAT or exFAT would refuse
    // Bytes the items hold (files' sizes, folders' contents), summed per file
    // system the items are on, so a move counts only what leaves its own.
    // Its keys are also the file systems the items are on.
    std::map<dev_t, uint64_t> bytesByDevice;
    bool sizesComplete = true; // false: a folder walk ran out of time
};

// What the destination's file system answers, asked once per file system.
struct FileSystemFacts {
    bool readOnly = false;  // mounted read-only (statvfs ST_RDONLY)
    uint64_t freeBytes = 0; // available to the user (f_bavail × f_frsize)
    long nameMax = 255;     // pathconf _PC_NAME_MAX
    bool fatNames = false;  // FAT or exFAT: some characters are not allowed
};

// One listed destination as it stands now.
struct DestinationFacts {
    enum class State {
        Found,        // the path names a folder
        NotFound,     // nothing there, or not a folder
        NotAnswering, // its mount did not answer in time
    };
    State state = State::NotFound;
    bool writable = true; // access(W_OK) for this user
    dev_t device = 0;
    ino_t inode = 0;
    FileSystemFacts fs;
};

} // namespace ferrolet
