#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Put In Its Place: files every selected item into the folder that the
// extension map (as the last menu build left it) gives for its extension,
// taken in lower case. Items without an extension, or whose extension has no
// folder, stay where they are, silently. Every moved item plays the
// completion sound and then, with "SelectMovedItem" on, is revealed; a
// failed move beeps after the move core's own lines.
void PutInItsPlace(CommandContext& ctx);

} // namespace ferrolet
