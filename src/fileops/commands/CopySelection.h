#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Copy To: a copy of every selected item into the destination of folder
// index k (the folder dialog when k < 1), always under the item's own name.
// A same-named item in the destination is replaced when
// "ReplaceFilesBySameName" is on (and comes back when the copy fails);
// otherwise the copy fails. Every failed item, a destination that is missing
// or not a folder included, beeps and logs "Ferrolet: An error occurred
// copying a file system object. Error code = <status>", and is neither
// revealed nor followed by the completion sound. A done item carries the
// source's comment when "PreserveComments" is on (a comment that cannot be
// written leaves the copy standing), is revealed when "SelectMovedItem" is
// on, and when it is the last item the completion sound plays.
void CopySelectionToFolder(CommandContext& ctx, int k);

} // namespace ferrolet
