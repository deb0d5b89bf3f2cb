#include "fileops/commands/DestinationCommand.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/DestinationChoice.h"
#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLook.h"

#include <algorithm>
#include <utility>

namespace ferrolet {

bool HasSelection(const CommandContext& ctx) {
    return ctx.selection.hasArray && ctx.selection.count >= 1 && !ctx.selection.items.empty();
}

bool StartDestinationCommand(CommandContext& ctx, int k, DialogPurpose purpose,
                             std::optional<std::string>& chosen) {
    chosen.reset();
    if (!HasSelection(ctx)) {
        NoteNothingSelected(ctx);
        return false;
    }
    if (k < 1) {
        chosen = ChooseDestinationFolder(ctx, purpose);
        if (!chosen) {
            return false;
        }
    }
    return true;
}

void FinishDestinationItem(CommandContext& ctx, const FileRef& newItem,
                           const std::string& destination, bool isLast) {
    if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
        RevealMovedItem(ctx, newItem, destination);
    }
    if (isLast) {
        PlayCompletionSound(ctx);
    }
}

namespace {

// The snapshot's items up to the count it was taken with.
std::vector<FileRef> UpToCount(std::vector<FileRef> items, int count) {
    items.resize(std::min(items.size(), static_cast<size_t>(std::max(count, 0))));
    return items;
}

} // namespace

std::vector<FileRef> SelectedItems(const CommandContext& ctx) {
    return UpToCount(ctx.selection.items, ctx.selection.count);
}

std::vector<FileRef> TakeSelectedItems(CommandContext& ctx) {
    if (!ctx.selection.takenByRun) {
        return SelectedItems(ctx);
    }
    return UpToCount(std::exchange(ctx.selection.items, {}), ctx.selection.count);
}

void NoteDestinationOf(CommandContext& ctx, int k, const std::string& destinationPath) {
    if (k >= 1 && QString::fromStdString(destinationPath) == kFolderNotFound) {
        NoteDestination(ctx, RecordedDestinationPath(ctx, k).value_or(destinationPath));
        return;
    }
    NoteDestination(ctx, destinationPath);
}

namespace {

QString FailureLine(const DestinationOperation& operation, Status status) {
    if (!operation.failureLine.contains(QLatin1String("%1"))) {
        return operation.failureLine;
    }
    return operation.failureLine.arg(status);
}

// An item that cannot go: lost (its path cannot be made, and the operation
// skips lost items) or without a destination. Logs and reports it; false
// when the item can go.
bool ItemLeftAlone(CommandContext& ctx, const DestinationOperation& operation, const FileRef& item,
                   std::string& itemPath, const std::optional<std::string>& destination) {
    if (const Status lost = item.MakePath(itemPath); lost != 0 && operation.skipLostItems) {
        LogInRun(ctx, QStringLiteral("Ferrolet: A selected item is no longer where it was and "
                                     "was left alone. Error code = %1")
                          .arg(lost));
        NoteFailure(ctx, NameForReport(item), lost);
        return true;
    }
    if (!destination) {
        // The list has no entry k (any more): the destination is gone.
        ctx.run->report.destinationMissing = true;
        LogInRun(ctx, QStringLiteral("Ferrolet: The destination folder is not in the list "
                                     "any more; the item was left alone."));
        NoteFailure(ctx, NameForReport(item, itemPath), ENOENT);
        return true;
    }
    return false;
}

} // namespace

void RunDestinationCommand(CommandContext& ctx, int k, const DestinationOperation& operation) {
    CommandRunScope run(ctx, operation.verb, operation.done);
    std::optional<std::string> chosen;
    if (!StartDestinationCommand(ctx, k, operation.purpose, chosen)) {
        return;
    }
    if (operation.prepareRun) {
        operation.prepareRun(ctx);
    }
    // Resolved once: a list edited during the run must not send the rest of
    // the items to whichever folder then holds place k.
    const std::optional<std::string> destination = ResolveDestination(ctx, k, chosen);
    std::vector<FileRef> items = TakeSelectedItems(ctx);
    const size_t count = items.size();
    NoteItems(ctx, static_cast<int>(count));
    std::string lastDestination;
    for (size_t i = 0; i < count; ++i) {
        const SettingsLook look(ctx.settings); // one look at the settings per item
        // Out of the list for its turn: a done item's path is freed while
        // the run's reveals grow.
        const FileRef item = std::move(items[i]);
        // A cancel stops before the next item; one that came during a copy
        // had the engine roll that copy back.
        if (!NextItem(ctx, static_cast<int>(i), item.Name())) {
            break;
        }
        std::string itemPath;
        if (ItemLeftAlone(ctx, operation, item, itemPath, destination)) {
            continue;
        }
        if (*destination != lastDestination) {
            lastDestination = *destination;
            NoteDestinationOf(ctx, k, lastDestination);
        }
        FileRef newItem;
        if (const Status status = operation.action(ctx, item, itemPath, *destination, newItem);
            status != 0) {
            if (CancelledDuring(ctx, status, static_cast<int>(i))) {
                break;
            }
            ctx.platform.Beep();
            LogInRun(ctx, FailureLine(operation, status));
            // Without its destination every item fails for that one reason.
            NoteFailure(ctx, NameForReport(item, itemPath),
                        run.Report().destinationMissing ? ENOENT : status);
            continue;
        }
        FinishDestinationItem(ctx, newItem, *destination, i == count - 1);
    }
}

} // namespace ferrolet
