#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Put In Its Place: files every selected item into the folder that the
// extension map (as the last menu build left it) gives for its extension,
// taken in lower case. Items without an extension, or whose extension has no
// folder, stay where they are, without a beep, and are named in the run's
// notification ("No folder is set for .txt files"). Every moved item plays
// the completion sound; with "SelectMovedItem" on, the moved items are
// revealed together after the last one. A failed move beeps after the move
// core's own lines.
void PutInItsPlace(CommandContext& ctx);

} // namespace ferrolet
