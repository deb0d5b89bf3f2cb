#pragma once

#include "fileops/engine/ProgressSink.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <vector>

namespace ferrolet {

// The archive's name for an item called itemName: "<item name>.zip", the
// item name shortened at a character boundary when the whole would pass the
// file system's name limit.
std::string ArchiveNameFor(const std::string& itemName);

// Makes a zip archive of item (see WriteZipArchive) in a new folder named by
// a fresh UUID inside the state directory, written under a hidden temporary
// name and renamed to "<item name>.zip" only once complete. *archive then
// designates it. On failure nothing is left behind: neither the partial file
// nor the UUID folder. A state folder that cannot hold it (StateFolder.h)
// fails with its status; *failedEntry names an item that could not be read
// (WriteZipArchive).
Status CreateZipArchive(const FileRef& item, FileRef* archive,
                        const ProgressSink* progress = nullptr, std::string* failedEntry = nullptr);
// The same for several items in one archive, named after the item when there
// is one and "Archive.zip" when there are more.
Status CreateZipArchive(const std::vector<FileRef>& items, FileRef* archive,
                        const ProgressSink* progress = nullptr, std::string* failedEntry = nullptr);

} // namespace ferrolet
