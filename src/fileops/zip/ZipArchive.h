#pragma once

#include "fileops/engine/ProgressSink.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <vector>

namespace ferrolet {

// Writes a zip archive of item to the open file outFd: a file (or symbolic
// link) as itself under its own name, a folder as its contents without the
// folder's own name at the top. Inside, symbolic links are stored as links
// and never followed, folders on other file systems are stored empty, and
// FIFOs, sockets and devices are left out without ever being opened. No
// extended attributes are stored. Files are read in blocks that every core
// deflates at once (ZipWriter); entries that do not compress are stored as
// they are.
//
// Any entry that cannot be read fails the whole archive (its status: EACCES
// for an unreadable file or folder, EBUSY for a file that shrank while it was
// read or a folder moved away or swapped while the walk was below it,
// ECANCELED when the progress sink cancelled); the caller then discards
// outFd's file. A top item that is neither a file, a link nor a folder is a
// EINVAL. *failedEntry (when given) then names the entry that failed, as a
// path below the selected items ("Photos/2019/a.jpg").
Status WriteZipArchive(const FileRef& item, int outFd, const ProgressSink* progress = nullptr,
                       std::string* failedEntry = nullptr);

// One archive of several items: with one item, as above; with more, every
// item at the top under its own name (a folder as its name with its contents
// beneath it), a name that an earlier item already took made unique
// (ZipTopNames.h), so unzipping gives back each item as it was.
Status WriteZipArchive(const std::vector<FileRef>& items, int outFd,
                       const ProgressSink* progress = nullptr, std::string* failedEntry = nullptr);

// The archive of several items is called this ("Archive.zip").
inline constexpr const char* kSeveralItemsArchiveName = "Archive.zip";

} // namespace ferrolet
