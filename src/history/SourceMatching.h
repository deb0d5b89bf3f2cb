#pragma once

#include <string>

namespace ferrolet {

// The end of a move to another file system that was interrupted while its
// source was being removed: the copy at copyPath is complete, and each
// source entry that is still what was copied (same kind; files of the same
// size and modification time, to the nanosecond, which the copy keeps; links
// to the same target) goes. Folders go once empty. An entry that differs
// stays, so nothing the copy does not hold is ever lost. The number of
// entries left behind.
int RemoveSourceMatchingCopy(const std::string& sourcePath, const std::string& copyPath);

// Compares without changing anything: the source entries that the copy does
// not hold as they are (kind, link target, and for files size, modification
// time and every byte). 0 proves the copy equal, once it is durable.
int EntriesDifferingFromCopy(const std::string& sourcePath, const std::string& copyPath);

} // namespace ferrolet
