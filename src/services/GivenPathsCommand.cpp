#include "GivenPathsCommand.h"

#include "dispatch/CommandDispatch.h"

namespace ferrolet {

CommandContext ContextWithSelection(const CommandContext& ctx, SelectionSnapshot& selection,
                                    QMap<QString, QString>& extensionFolderMap) {
    return CommandContext{ctx.settings,       ctx.platform, selection,
                          extensionFolderMap, ctx.cut,      ctx.updatePathnamesTable,
                          ctx.progress};
}

bool RunWithFolderDialogOnPaths(CommandContext& ctx, DestinationCommand command,
                                const QStringList& paths) {
    GivenSelection given = SelectionFromGivenPaths(paths);
    NotifyUnusablePaths(ctx.platform, given.unusable);
    if (given.snapshot.items.empty()) {
        return false;
    }
    CommandContext own = ContextWithSelection(ctx, given.snapshot, ctx.extensionFolderMap);
    RunCommandWithFolderDialog(own, static_cast<int>(command));
    return true;
}

} // namespace ferrolet
