#include "fileops/commands/ArchiveCommand.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/DestinationChoice.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/zip/TemporaryArchive.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <unistd.h>

namespace ferrolet {

namespace {

const QString kArchiveFailureLine =
    QStringLiteral("Ferrolet: An error occurred archiving a folder or file.");

// The selected items that can still be archived; the others are named in
// the run's report, since they are left out of the archive.
std::vector<FileRef> ItemsToArchive(CommandContext& ctx) {
    std::vector<FileRef> items;
    for (const FileRef& item : SelectedItems(ctx)) {
        std::string path;
        if (const Status lost = item.MakePath(path); lost != 0) {
            NoteFailure(ctx, NameForReport(item), lost);
            continue;
        }
        items.push_back(item);
    }
    return items;
}

// The archive's name for the report: what CreateZipArchive calls it.
QString ArchiveNameForReport(const std::vector<FileRef>& items) {
    return items.size() == 1
               ? QString::fromUtf8(ArchiveNameFor(NameForReport(items.front()).toStdString()))
               : QStringLiteral("Archive.zip");
}

} // namespace

void ArchiveSelectionToFolder(CommandContext& ctx, int k) {
    CommandRunScope run(ctx, QStringLiteral("Archive To"), QStringLiteral("archived"));
    std::optional<std::string> chosen;
    if (!StartDestinationCommand(ctx, k, DialogPurpose::Archive, chosen)) {
        return;
    }
    // Every selected item goes into the one archive.
    const std::vector<FileRef> items = ItemsToArchive(ctx);
    NoteItems(ctx, static_cast<int>(SelectedItems(ctx).size()));
    if (items.empty()) {
        // Nothing left to archive is a failed archive, as it always was.
        ctx.platform.Beep();
        Log(kArchiveFailureLine);
        return;
    }
    const int count = static_cast<int>(items.size());
    FileRef archive;
    if (const Status status = CreateZipArchive(items, &archive, ctx.progress); status != 0) {
        ctx.platform.Beep();
        Log(kArchiveFailureLine);
        NoteFailure(ctx, ArchiveNameForReport(items), status, count);
        return;
    }
    std::string archivePath;
    if (archive.MakePath(archivePath) != 0) {
        return;
    }
    const std::optional<std::string> destination = ResolveDestination(ctx, k, chosen);
    if (!destination) {
        // The archive waits in its UUID folder; the list has no entry k.
        run.Report().destinationMissing = true;
        NoteFailure(ctx, QString::fromStdString(archive.Name()), ENOENT, count);
        return;
    }
    NoteDestinationOf(ctx, k, *destination);
    FileRef moved;
    if (const Status status = MoveItemIntoPath(ctx, archive, *destination, &moved); status != 0) {
        ctx.platform.Beep();
        Log(kArchiveFailureLine);
        NoteFailure(ctx, QString::fromStdString(archive.Name()),
                    run.Report().destinationMissing ? ENOENT : status, count);
        return;
    }
    // The emptied UUID folder is our own clutter.
    rmdir(archive.ParentPath().c_str());
    if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
        RevealMovedItem(ctx, moved, *destination);
    }
    PlayCompletionSound(ctx);
}

} // namespace ferrolet
