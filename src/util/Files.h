#pragma once

#include "util/Status.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace ferrolet {

// Small whole-file helpers for the files Ferrolet writes for the desktop
// (autostart entry, context-menu files) and the folders they live in.

// Writes all size bytes of data to fd, at offset when one is given (pwrite),
// else where fd stands; retries what a signal interrupted.
Status WriteAll(int fd, const char* data, size_t size, off_t offset = -1);

// Reads up to size bytes from fd, fewer only at its end: the count read, or
// -1 with errno set. Retries what a signal interrupted.
ssize_t ReadFully(int fd, char* buffer, size_t size);

// Creates folder and its missing parents with mode (as the umask allows);
// ENOTDIR when something other than a folder is in the way.
Status MakeFolders(const std::string& folder, mode_t mode);

// The whole content of path (a regular file, not followed if a link, never
// opened blocking); nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces folder/name with content: written to a temporary file in the same
// folder, flushed to disk, renamed over the old one and the folder flushed,
// so a reader (or a crash) only ever sees the old or the new file whole. A
// file that already holds content with that mode is left as it is (no
// needless rewrite). The temporary file is removed on any failure.
Status ReplaceFile(const std::string& folder, const std::string& name, const std::string& content,
                   mode_t mode);

} // namespace ferrolet
