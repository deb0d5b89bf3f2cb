#pragma once

#include "FolderRecordFormat.h"

#include <chrono>
#include <string>
#include <sys/stat.h>

namespace ferrolet {

// How far the search for a renamed or moved item may go. Menus resolve the
// destination list at every opening, so a folder that is simply gone must
// cost little: the bounds cap both the entries read and the time spent.
struct SearchBounds {
    int levelsUp = 3;   // the start folder, its parent, grandparent, ...
    int depthBelow = 2; // folder levels read below each of them
    size_t maxEntries = 20000;
    std::chrono::milliseconds maxTime{40};
};

// Looks for the item the fields describe (by inode, then confirmed with
// ItemMatches) first in startFolder, then breadth-first in the folders below
// it, then around each ancestor in turn. Symbolic links are never followed
// and hidden folders are not entered (the start folder and its ancestors
// excepted). On success foundPath is the item's path and st its status.
bool SearchNearby(const FolderRecordFields& fields, const std::string& startFolder,
                  std::string& foundPath, struct stat& st, const SearchBounds& bounds = {});

} // namespace ferrolet
