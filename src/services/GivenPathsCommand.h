#pragma once

#include "GivenSelection.h"
#include "dispatch/CommandIds.h"
#include "fileops/commands/CommandContext.h"

#include <QStringList>

namespace ferrolet {

// The commands' context with another selection (and extension map) in place
// of the application's snapshot, which a request naming its own items must
// neither read nor replace.
CommandContext ContextWithSelection(const CommandContext& ctx, SelectionSnapshot& selection,
                                    QMap<QString, QString>& extensionFolderMap);

// A "… to Select" request: the command runs once on exactly the given items,
// so one folder dialog serves them all, whatever their number. False when
// no path was usable (then no dialog shows).
bool RunWithFolderDialogOnPaths(CommandContext& ctx, DestinationCommand command,
                                const QStringList& paths);

} // namespace ferrolet
