#pragma once

#include "dispatch/MenuModel.h"
#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// A chosen menu item: the fixed commands (-1006 … -1001) by their identifier,
// then a destination-folder item tag = k × base, the first of the bases
// 1001 … 1006 that divides it winning. Tags that decode to nothing are
// ignored.
void RunTaggedCommand(CommandContext& ctx, int tag);

// A chosen command header: it carries its bare base and runs the
// command with the folder dialog (k = 0). The Open Folder header, and any
// other tag, does nothing.
void RunCommandWithFolderDialog(CommandContext& ctx, int tag);

// Runs a chosen menu item by its action: RunCommand or ChooseFolder with the
// item's tag; any other action is not ours.
void DispatchMenuCommand(CommandContext& ctx, const MenuItem& item);

} // namespace ferrolet
