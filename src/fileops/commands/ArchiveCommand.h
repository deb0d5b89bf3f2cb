#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Archive To: archives every selected item into one zip (named after the
// item when there is one, "Archive.zip" when there are more) and moves the
// archive into the destination of folder index k (the folder dialog when
// k < 1) through the move core, so name clashes, comments and the "Moved"
// line are those of a move. A failure to archive or to move beeps and logs
// "Ferrolet: An error occurred archiving a folder or file." and is named in
// the run's notification; an archive that could not be moved stays in its
// UUID folder. After a successful move the emptied UUID folder goes, the
// archive is revealed when "SelectMovedItem" is on, and the completion sound
// plays.
void ArchiveSelectionToFolder(CommandContext& ctx, int k);

} // namespace ferrolet
