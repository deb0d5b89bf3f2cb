#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Move To: every selected item into the destination of folder index k (the
// folder dialog when k < 1), through the move core. A failed item beeps and
// logs "Ferrolet: An error occurred moving a folder or file.".
void MoveSelectionToFolder(CommandContext& ctx, int k);

} // namespace ferrolet
