#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Hard Link To: a hard link of every selected item in the destination of
// folder index k (the folder dialog when k < 1). A failed item beeps and logs
// "Ferrolet: An error occurred hard linking a folder or file.".
void HardLinkSelectionToFolder(CommandContext& ctx, int k);

} // namespace ferrolet
