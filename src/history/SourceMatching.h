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

} // namespace ferrolet
