#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

namespace ferrolet {

// A folder the user files things into: a directory (a link to one is not),
// unless it is an AppDir, a directory holding an executable "AppRun", which
// is an application shown as one item. False on any failure.
bool IsPlainFolder(const FileRef& item);

// Whether a file manager hides the item: a name beginning with "."; for
// items other than folders also a name listed in the parent folder's
// ".hidden" file, one name a line. False when the name cannot be read.
bool IsHiddenItem(const FileRef& item);

// Whether the item is
// a folder (a link to a folder is not).
Status ReadItemKind(const FileRef& item, bool* isFolder);

} // namespace ferrolet
