#include "fileops/commands/ArchiveCommand.h"

#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/DestinationChoice.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/zip/TemporaryArchive.h"
#include "items/RevealMovedItem.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <unistd.h>

namespace ferrolet {

void ArchiveSelectionToFolder(CommandContext& ctx, int k) {
    std::optional<std::string> chosen;
    if (!StartDestinationCommand(ctx, k, DialogPurpose::Archive, chosen)) {
        return;
    }
    const QString failureLine =
        QStringLiteral("Ferrolet: An error occurred archiving a folder or file.");
    // Only the first selected item is archived.
    const FileRef item = ctx.selection.items.front();
    FileRef archive;
    if (CreateZipArchive(item, &archive, ctx.progress) != 0) {
        ctx.platform.Beep();
        Log(failureLine);
        return;
    }
    std::string archivePath;
    if (archive.MakePath(archivePath) != 0) {
        return;
    }
    const std::optional<std::string> destination = ResolveDestination(ctx, k, chosen);
    if (!destination) {
        return; // the archive waits in its UUID folder
    }
    FileRef moved;
    if (!MoveItemToPath(ctx, archive, *destination, &moved)) {
        ctx.platform.Beep();
        Log(failureLine);
        return;
    }
    // The emptied UUID folder is our own clutter.
    rmdir(archive.ParentPath().c_str());
    if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
        RevealMovedItem(ctx.platform, moved, *destination);
    }
    PlayCompletionSound(ctx);
}

} // namespace ferrolet
