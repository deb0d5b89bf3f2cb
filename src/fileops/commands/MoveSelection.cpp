#include "fileops/commands/MoveSelection.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/commands/DestinationFolderCache.h"
#include "fileops/commands/MoveItem.h"

#include <memory>

namespace ferrolet {

namespace {

// A move whose source the run's batch could not remove after its flush
// fails as a move that failed in hand does.
void UseBatchOfMoves(CommandContext& ctx, const QString& failureLine) {
    UseMoveBatch(ctx, [&ctx, failureLine](const std::string& source, const std::string&,
                                          Status status, bool) {
        LogInRun(ctx, QStringLiteral("An error occurred: %1").arg(status));
        ctx.platform.Beep();
        LogInRun(ctx, failureLine);
        NoteFailure(ctx, NameForReport(FileRef(), source), status);
    });
}

} // namespace

void MoveSelectionToFolder(CommandContext& ctx, int k) {
    DestinationOperation operation;
    // The snapshot's reference is moved rather than whatever its path holds
    // now, so a replaced item is never moved in its place.
    //
    // The destination folder of the previous item is used again while the
    // path is the same and still leads to that folder.
    auto folders = std::make_shared<DestinationFolderCache>();
    operation.action = [folders](CommandContext& c, const FileRef& item, const std::string&,
                                 const std::string& destinationPath, FileRef& newItem) {
        FileRef folder;
        if (folders->Resolve(destinationPath, folder) != 0) {
            // Tried once more, as the path stands now; logs the failure.
            return MoveItemIntoPath(c, item, destinationPath, &newItem);
        }
        // The run checked the item a moment ago, as it took its path.
        return MoveItem(c, item, folder, &newItem, ItemCheck::Done);
    };
    operation.failureLine = QStringLiteral("Ferrolet: An error occurred moving a folder or file.");
    operation.verb = QStringLiteral("Move To");
    operation.done = QStringLiteral("moved");
    operation.prepareRun = [](CommandContext& c) {
        UseBatchOfMoves(c, QStringLiteral("Ferrolet: An error occurred moving a folder or file."));
    };
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
