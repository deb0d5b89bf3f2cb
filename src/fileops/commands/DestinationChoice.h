#pragma once

#include "fileops/commands/CommandContext.h"
#include "fileops/commands/FolderDialogWording.h"

#include <optional>
#include <string>

namespace ferrolet {

// The folder dialog of the destination commands (titled with the command's
// verb, one folder, our own windows raised above the file manager, opening
// where the user last chose a folder). The chosen folder's path, remembered
// for the next dialog, or nothing when the user cancelled or there is no
// display to show the dialog on.
std::optional<std::string> ChooseDestinationFolder(CommandContext& ctx, DialogPurpose purpose);

// The destination path for folder index k: the chosen path when k < 1,
// otherwise entry k - 1 of the destination-folder list as stored now. A run
// resolves it once, at its start: the folder the user chose is the folder
// used, even when another process removes a list entry meanwhile and entry
// k - 1 comes to name another folder. Nothing when k is past the end of the
// list or the list is empty. An entry
// that no longer resolves comes back as "<< Folder Not Found >>", which the
// operation itself then fails on.
std::optional<std::string> ResolveDestination(CommandContext& ctx, int k,
                                              const std::optional<std::string>& chosenPath);

// The path entry k - 1 of the destination-folder list was recorded with, for
// naming a listed folder that no longer resolves; nothing when there is no
// such entry or it holds no path.
std::optional<std::string> RecordedDestinationPath(CommandContext& ctx, int k);

} // namespace ferrolet
