#include "GivenPathsCommand.h"

#include "dispatch/CommandDispatch.h"

namespace ferrolet {

CommandContext ContextWithSelection(const CommandContext& ctx, SelectionSnapshot& selection,
                                    QMap<QString, QString>& extensionFolderMap) {
    CommandContext own{ctx.settings,       ctx.platform, selection,
                       extensionFolderMap, ctx.cut,      ctx.updatePathnamesTable,
                       ctx.progress};
    // The command joins the run already under way (a service request's), so
    // the request still ends in one reveal and one notification.
    own.run = ctx.run;
    own.watcher = ctx.watcher;
    return own;
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
