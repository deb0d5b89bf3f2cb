#pragma once

#include "util/Status.h"

#include <string>

namespace ferrolet {

// The freedesktop Trash: where undo puts what a gesture made, so that
// nothing is ever deleted outright. An item goes to the Trash of its own file
// system only ($XDG_DATA_HOME/Trash on the home file system, else
// $topdir/.Trash/$uid when .Trash is a sticky folder and not a link, else
// $topdir/.Trash-$uid); it is renamed there, never copied, so an item on a
// file system with no usable Trash stays where it is (EXDEV).
struct TrashedItem {
    std::string trashedPath; // the item in the Trash's files/
    std::string infoPath;    // its .trashinfo
};

// Writes the .trashinfo first (O_EXCL: the name is ours), then renames the
// item under the same name into files/; the .trashinfo goes again when the
// rename fails.
Status MoveToTrash(const std::string& path, TrashedItem& out);

// Puts a trashed item back at originalPath (under a unique name when that
// name is taken now) and removes its .trashinfo. *restoredPath receives
// where it went.
Status RestoreFromTrash(const TrashedItem& item, const std::string& originalPath,
                        std::string* restoredPath);

// The Path= value of a .trashinfo: every byte but unreserved characters and
// "/" percent-encoded.
std::string TrashInfoPathValue(const std::string& path);

} // namespace ferrolet
