#pragma once

#include "fileops/CommandContext.h"

#include <optional>
#include <string>

namespace ferrolet {

// The folder dialog of the destination commands ("Choose Folder" /
// "Choose", one folder, our own windows raised above the file manager). The
// chosen folder's path, or nothing when the user cancelled or there is no
// display to show the dialog on.
std::optional<std::string> ChooseDestinationFolder(CommandContext& ctx);

// The destination path for folder index k: the chosen path when k < 1,
// otherwise entry k - 1 of the destination-folder list, read anew at every
// call so that a list edited during a run applies from the next item on.
// Nothing when k is past the end of the list or the list is empty. An entry
// that no longer resolves comes back as "<< Folder Not Found >>", which the
// operation itself then fails on.
std::optional<std::string> ResolveDestination(CommandContext& ctx, int k,
                                              const std::optional<std::string>& chosenPath);

} // namespace ferrolet
