#include "fileops/commands/ArchiveCommand.h"

#include "fileops/commands/ArchiveRescue.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/DestinationChoice.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/engine/FileEngine.h"
#include "fileops/zip/TemporaryArchive.h"
#include "journal/GestureRecorder.h"
#include "journal/ItemIdentity.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <cstring>
#include <fcntl.h>
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

// Names the item that failed the archive, when reading one did: the
// general line alone leaves the user to guess which of thousands it was.
void LogFailedEntry(const std::string& failedEntry, Status status) {
    if (!failedEntry.empty()) {
        Log(QStringLiteral("Ferrolet: \"%1\" could not be archived. Error code = %2")
                .arg(QString::fromStdString(failedEntry))
                .arg(status));
    }
}

// The archive could not reach its destination (status says why): it is
// brought out of the state folder (ArchiveRescue.h) and the report says
// where it went.
void ReportUndeliveredArchive(CommandContext& ctx, const FileRef& archive,
                              const std::string& destinationPath, const FileRef& firstItem,
                              Status status, int count) {
    const QString name = QString::fromStdString(archive.Name());
    const std::optional<FileRef> rescued = RescueArchive(archive, destinationPath, firstItem);
    if (!rescued || !ctx.run) {
        NoteFailure(ctx, name, status, count);
        return;
    }
    Log(QStringLiteral("Ferrolet: The archive was put in \"%1\".")
            .arg(QString::fromStdString(rescued->Path())));
    const QString where = QString::fromStdString(rescued->ParentPath());
    ctx.run->report.AddFailure(name,
                               QStringLiteral("%1; it was saved as “%2” in %3")
                                   .arg(QString::fromLocal8Bit(strerror(status)),
                                        QString::fromStdString(rescued->Name()), where),
                               count);
}

// Moves the finished archive to the destination; the journal records the
// archive as made there, not its way out of the state folder (undo puts the
// archive itself in the Trash).
Status DeliverArchive(CommandContext& ctx, const FileRef& archive, const std::string& destination,
                      FileRef& moved) {
    Status status = 0;
    {
        GestureRecorder::InternalSteps internal;
        status = MoveItemIntoPath(ctx, archive, destination, &moved);
    }
    if (status == 0) {
        RecordDoneStep(StepKind::Made, {}, moved.Path(), IdentityAt(AT_FDCWD, moved.Path()));
    }
    return status;
}

// Writes the archive of items into the state folder; a failure (other than
// a cancel, which discards the unfinished archive) beeps, logs the item that
// could not be archived and goes into the run's report.
bool MakeArchive(CommandContext& ctx, const std::vector<FileRef>& items, FileRef& archive) {
    std::string failedEntry;
    const Status status = CreateZipArchive(items, &archive, ctx.progress, &failedEntry);
    if (status == 0) {
        std::string archivePath;
        return archive.MakePath(archivePath) == 0;
    }
    if (CancelledDuring(ctx, status, 0)) {
        return false;
    }
    ctx.platform.Beep();
    Log(kArchiveFailureLine);
    LogFailedEntry(failedEntry, status);
    NoteFailure(ctx, ArchiveNameForReport(items), status, static_cast<int>(items.size()));
    return false;
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
    if (!MakeArchive(ctx, items, archive)) {
        return;
    }
    const std::optional<std::string> destination = ResolveDestination(ctx, k, chosen);
    if (!destination) {
        // The list has no entry k: the archive goes beside the first item.
        run.Report().destinationMissing = true;
        ReportUndeliveredArchive(ctx, archive, {}, items.front(), ENOENT, count);
        return;
    }
    NoteDestinationOf(ctx, k, *destination);
    FileRef moved;
    if (const Status status = DeliverArchive(ctx, archive, *destination, moved); status != 0) {
        if (CancelledDuring(ctx, status, 0)) {
            // Cancelled on its way to another file system: the archive is
            // our own making and goes, as if it had never been made.
            DeleteObject(archive);
            rmdir(archive.ParentPath().c_str());
            return;
        }
        ctx.platform.Beep();
        Log(kArchiveFailureLine);
        ReportUndeliveredArchive(ctx, archive, *destination, items.front(),
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
