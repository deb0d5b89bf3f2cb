#pragma once

#include "items/ScopedFd.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <sys/stat.h>

namespace ferrolet {

// The steps the file engine's operations share: opening the item's folder and
// the destination by reference, refusing unusable names and moves into
// oneself, and placing a finished copy under its real name.

// An item reached through its folder: the folder's descriptor, the item's
// name in it and what the item is.
struct OpenedItem {
    ScopedFd folder; // O_PATH
    std::string name;
    struct stat info {};
};

// Opens the item's folder and checks that the name there still holds the
// referenced item (without following a final link).
Status OpenItem(const FileRef& item, OpenedItem& out);

// Opens the destination and checks that it is a folder and still the
// referenced one.
Status OpenDestination(const FileRef& folder, ScopedFd& out, struct stat& info);

// EINVAL when the folder item is the destination or one of its ancestors
// (walked through "..", so mount points inside the item count too).
Status RefuseMoveIntoItself(int destinationFd, const struct stat& item);

// A fresh hidden name for building a copy in the folder; it names nothing yet.
Status MakeHiddenName(int folderFd, std::string& out);

// Renames from to to within the folder, never replacing an existing item.
Status RenameWithoutReplacing(int fromDir, const std::string& from, int toDir,
                              const std::string& to, bool isFolder);

// Makes everything written to the folder's file system durable (one syncfs,
// not one fsync per file), through the folder itself or the named entry.
Status MakeDurable(int folderFd, const std::string& entryName);

// The reference of the entry now at folderPath/name.
Status ReferenceTo(const std::string& folderPath, int folderFd, const std::string& name,
                   FileRef* out);

} // namespace ferrolet
