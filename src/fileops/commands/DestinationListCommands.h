#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Open Folder: shows entry k - 1 of the destination-folder list in the file
// manager. Needs no selection; an index past the list or an entry that no
// longer names a folder does nothing.
void OpenListedFolder(CommandContext& ctx, int k);

// Add Folder: appends the one selected plain folder to the destination-folder
// list and refreshes an open preferences window. Anything but exactly one
// plain folder leaves the list untouched.
void AddSelectedFolder(CommandContext& ctx);

// Remove Folder: takes the first entry that designates the one selected
// plain folder (same device and inode, so "Proj" never removes "proj") off
// the destination-folder list and refreshes an open preferences window.
void RemoveSelectedFolder(CommandContext& ctx);

} // namespace ferrolet
