#pragma once

#include <cstdint>
#include <string>

namespace ferrolet {

// The bytes of regular files in the entry name of the folder dir, never
// following a symbolic link: a file's size, a folder's whole tree, nothing
// for anything else. With sameFileSystem, folders on another file system
// than the entry's (mount points inside it) count nothing. What cannot be
// read counts nothing: the figure is for showing progress only.
uint64_t TreeBytesAt(int dir, const std::string& name, bool sameFileSystem = false);

} // namespace ferrolet
