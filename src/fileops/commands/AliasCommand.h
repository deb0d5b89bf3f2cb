#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Alias To: an alias of every selected item in the destination of folder
// index k (the folder dialog when k < 1). A failed item beeps and logs
// "Ferrolet: An error occurred aliasing a folder or file.".
void AliasSelectionToFolder(CommandContext& ctx, int k);

} // namespace ferrolet
