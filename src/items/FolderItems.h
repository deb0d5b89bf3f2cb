#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <vector>

namespace ferrolet {

// The folder holding item. The parent is null (and the status 0) when the
// item is the root of a mounted volume, which has no folder above it on its
// own volume.
Status GetParentFolderRef(const FileRef& item, FileRef& parent);

// The reference of folder's entry called name, asked of the file system
// relative to the folder's descriptor and never following a link: ENOENT
// when there is no such entry, another status when the question cannot be
// answered (folder gone, no search permission, a name that cannot be one).
Status MakeChildRef(const FileRef& folder, const std::string& name, FileRef& child);

// Whether folder holds an entry called name. As the file manager's look-up
// always did, only a definite "no such entry" counts as absent: when the
// question cannot be answered the child is taken to exist, so nothing is
// ever written over an item we could not see. child is null then.
bool LookUpChild(const FileRef& folder, const std::string& name, FileRef& child);
bool LookUpChild(const FileRef& folder, const std::string& name);

// The child called name, made as a folder when there is none. An existing
// item of that name is handed back whatever its kind.
Status FindOrCreateFolder(const FileRef& parent, const std::string& name, FileRef& folder);

// Every entry of folder, hidden ones included, in the order the file system
// lists them, without descending. ENODATA for an empty folder; any
// other failure (unreadable folder, an entry that cannot be examined) gives
// its status. items is empty unless the status is 0.
Status ListFolderItems(const FileRef& folder, std::vector<FileRef>& items);

} // namespace ferrolet
