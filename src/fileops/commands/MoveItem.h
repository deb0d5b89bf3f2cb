#pragma once

#include "filemanager/ItemComments.h"
#include "fileops/commands/CommandContext.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The move core of every command that moves. Moves item into
// destinationFolder and hands back, in *newItem, the reference of the item at
// its new place (also after a move to another file system, where the item
// has a new identity).
//
// - An item already in destinationFolder succeeds at once: nothing changes,
//   nothing is logged, *newItem is the item itself.
// - A same-named item in the destination is replaced when
//   "ReplaceFilesBySameName" is on; it is only set aside until the move has
//   succeeded and comes back when the move fails. Otherwise, or when it cannot
//   be set aside (a folder that is not empty), the item arrives under the
//   unique name "<base> - <UUID>.<extension>".
// - With "PreserveComments" on the item's comment is carried across. A comment
//   that cannot be written at the new place is logged, but the move stands and
//   counts as done: the item is there, and undoing a completed move would only
//   risk more.
// - Logs "Moved \"<new name>\" to \"<destination name>\"" on success and
//   "An error occurred: <status>" when the move itself fails.
// check is Done when the caller has just checked that the item is still
// where its reference says (the engine checks again as it moves it).
Status MoveItem(CommandContext& ctx, const FileRef& item, const FileRef& destinationFolder,
                FileRef* newItem, ItemCheck check = ItemCheck::Needed);

// The same with the destination given as a path; a symbolic link in the
// destination's last place leads to the folder it names (the user chose the
// destination), while the item itself is never followed. A destination path
// that names nothing (also "<< Folder Not Found >>") is logged as
// "Ferrolet: An error occurred moving a folder or file. Error code = <status>".
// True when the move succeeded.
bool MoveItemToPath(CommandContext& ctx, const FileRef& item, const std::string& destinationPath,
                    FileRef* newItem = nullptr);
// MoveItemToPath with the errno value of what failed (0 when moved), for
// callers that tell the user why.
Status MoveItemIntoPath(CommandContext& ctx, const FileRef& item,
                        const std::string& destinationPath, FileRef* newItem = nullptr);

} // namespace ferrolet
