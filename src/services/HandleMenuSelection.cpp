#include "HandleMenuSelection.h"

#include "GivenPathsCommand.h"
#include "ServiceEntries.h"
#include "ServicePaths.h"
#include "dispatch/CommandDispatch.h"
#include "dispatch/StandardFolderOpening.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/MoveItem.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLook.h"
#include "util/Log.h"

namespace ferrolet {

namespace {

const QString kNotMoved = QStringLiteral("The object was not moved");

const StandardFolderEntry& FolderEntry(const StandardFolderTable& table, StandardFolder which) {
    return table[static_cast<size_t>(which)];
}

void RunWindowHook(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

// How the request went so far: the success flag carries from item to item.
struct RequestRun {
    bool success = false;
    // Set when an item was meant for a folder the user turned off.
    bool hitDisabledFolder = false;
};

// Moves one item into a standard folder, making the folder when it is
// missing. False when the folder is turned off or cannot be had, so the
// item goes to the item ending.
bool MoveToStandardFolder(ServiceTarget& target, StandardFolder which, const FileRef& item,
                          bool revealEach, RequestRun& run) {
    const StandardFolderEntry& folder = FolderEntry(target.standardFolders, which);
    if (folder.disabled) {
        run.hitDisabledFolder = true;
        return false;
    }
    FileRef destination;
    if (const Status opened = OpenStandardFolder(folder.path, destination); opened != 0) {
        // A folder that is missing and cannot be made reads as not found; a
        // plain file or an unreadable folder at its place is named with the
        // real reason, so the user knows what to fix.
        if (target.ctx.run) {
            NoteDestination(target.ctx, folder.path);
            target.ctx.run->report.destinationMissing = opened == ENOENT;
        }
        NoteFailure(target.ctx, NameForReport(item), opened);
        return false;
    }
    NoteDestination(target.ctx, folder.path);
    FileRef moved;
    const Status status = MoveItem(target.ctx, item, destination, &moved);
    run.success = status == 0;
    if (target.ctx.run &&
        CancelledDuring(target.ctx, status, target.ctx.run->progress.itemsReached)) {
        return true; // rolled back, not failed; the request stops before the next item
    }
    if (!run.success) {
        LogInRun(target.ctx, kNotMoved);
        NoteFailure(target.ctx, NameForReport(item), status);
        return true;
    }
    if (revealEach) {
        RevealMovedItem(target.ctx, moved, destination.Path());
    }
    return true;
}

// Runs the entry's action for one usable item. True when the item is done;
// false when it goes on to the item ending.
bool ActOnItem(ServiceTarget& target, const ServiceEntry& entry, const FileRef& item,
               bool revealEach, RequestRun& run) {
    switch (entry.action) {
    case ServiceAction::MoveToStandardFolder:
        return MoveToStandardFolder(target, entry.folder, item, revealEach, run);
    case ServiceAction::OpenWindow:
        RunWindowHook(target.window.openAtMouse);
        return false;
    case ServiceAction::CloseWindow:
        RunWindowHook(target.window.close);
        return false;
    case ServiceAction::RunWithFolderDialog:
        break; // the whole request at once, before the item loop
    }
    return false;
}

// One notification per request: the user asked for a move that their own
// folder settings rule out, and should know why nothing happened.
void NotifyDisabledFolder(Platform& platform, StandardFolder which) {
    const QString name = StandardFolderName(which);
    platform.Notify(
        QStringLiteral("Nothing was moved to %1").arg(name),
        QStringLiteral("Your %1 folder is turned off: user-dirs.dirs sets it to your home "
                       "folder. Set it to a folder of its own to use \"Move to %1\".")
            .arg(name));
}

// One request names at most this many items: far more than a file manager
// hands over, and few enough that the request ends in seconds and in
// bounded memory.
constexpr qsizetype kMaxRequestPaths = 100000;

// A request over kMaxRequestPaths is refused whole, with one log line and
// one notification.
void RefuseHugeRequest(CommandContext& ctx, const QString& userData, qsizetype count) {
    Log(QStringLiteral("Ferrolet: a request for %1 items (%2) was refused; at most %3 are taken "
                       "at once")
            .arg(count)
            .arg(userData)
            .arg(kMaxRequestPaths));
    if (!ctx.run) {
        return;
    }
    RunReport& report = ctx.run->report;
    if (report.verb.isEmpty()) {
        report.verb = userData;
        report.done = QStringLiteral("done");
    }
    report.notStarted =
        QStringLiteral("The request named %1 items; Ferrolet takes at most %2 at once. Select "
                       "fewer items and try again.")
            .arg(count)
            .arg(kMaxRequestPaths);
}

} // namespace

void HandleMenuSelection(ServiceTarget& target, const QStringList& paths, const QString& userData) {
    CommandContext& ctx = target.ctx;
    const std::optional<ServiceEntry> entry = FindServiceEntry(userData);
    const bool moves = entry && entry->action == ServiceAction::MoveToStandardFolder;
    // The whole request is one run: one reveal and one notification at most,
    // also when a "to Select" entry runs its command on the given items.
    CommandRunScope scope(ctx, moves ? QStringLiteral("Move To") : QString(),
                          moves ? QStringLiteral("moved") : QString());
    if (paths.size() > kMaxRequestPaths) {
        RefuseHugeRequest(ctx, userData, paths.size());
        return;
    }
    if (paths.isEmpty()) {
        if (moves) {
            NoteNothingSelected(ctx);
        }
        return;
    }
    const bool revealEach = ReadBoolPref(ctx.settings, keys::SelectMovedItem);
    if (entry && entry->action == ServiceAction::RunWithFolderDialog) {
        // The handed-over items are the selection: one run, one dialog.
        if (RunWithFolderDialogOnPaths(ctx, entry->command, paths)) {
            PlayCompletionSound(ctx);
        }
        return;
    }
    if (moves) {
        NoteItems(ctx, static_cast<int>(paths.size()));
    }

    RequestRun run;
    for (const QString& path : paths) {
        const SettingsLook look(ctx.settings); // one look at the settings per item
        if (!NextItem(ctx, static_cast<int>(&path - paths.data()))) {
            break;
        }
        const std::optional<std::string> bytes = UsableServicePath(path);
        FileRef item;
        const Status found = bytes ? FileRef::FromPath(*bytes, item) : EINVAL;
        if (found == 0 && entry && ActOnItem(target, *entry, item, revealEach, run)) {
            continue;
        }
        if (found != 0 && moves) {
            NoteFailure(ctx, NameForReport(FileRef(), path.toStdString()), found);
        }
        // The item ending: the flag keeps its value.
        if (!run.success) {
            LogInRun(ctx, kNotMoved);
        }
    }

    if (run.hitDisabledFolder) {
        NotifyDisabledFolder(ctx.platform, entry->folder);
    }
    if (!run.success) {
        return;
    }
    // The run's reveal, when "SelectMovedItem" is on, brings the file
    // manager forward as the scope ends; with it off nothing is shown.
    PlayCompletionSound(ctx);
}

} // namespace ferrolet
