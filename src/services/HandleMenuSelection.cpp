#include "HandleMenuSelection.h"

#include "GivenPathsCommand.h"
#include "ServiceEntries.h"
#include "ServicePaths.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/MoveItem.h"
#include "items/RevealMovedItem.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
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
    FileRef lastMoved;
};

// Moves one item into a standard folder. False when that folder is not set,
// so the item goes to the item ending.
bool MoveToStandardFolder(ServiceTarget& target, StandardFolder which, const FileRef& item,
                          bool revealEach, RequestRun& run) {
    const StandardFolderEntry& folder = FolderEntry(target.standardFolders, which);
    if (folder.path.empty()) {
        return false;
    }
    FileRef moved;
    run.success = MoveItem(target.ctx, item, folder.folder, &moved) == 0;
    if (!run.success) {
        Log(kNotMoved);
        return true;
    }
    run.lastMoved = moved;
    if (revealEach) {
        RevealMovedItem(target.ctx.platform, moved, folder.path);
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

} // namespace

void HandleMenuSelection(ServiceTarget& target, const QStringList& paths, const QString& userData) {
    if (paths.isEmpty()) {
        return;
    }
    CommandContext& ctx = target.ctx;
    const std::optional<ServiceEntry> entry = FindServiceEntry(userData);
    const bool revealEach = ReadBoolPref(ctx.settings, keys::SelectMovedItem);
    if (entry && entry->action == ServiceAction::RunWithFolderDialog) {
        // The handed-over items are the selection: one run, one dialog.
        if (RunWithFolderDialogOnPaths(ctx, entry->command, paths)) {
            PlayCompletionSound(ctx);
        }
        return;
    }

    RequestRun run;
    for (const QString& path : paths) {
        const std::optional<std::string> bytes = UsableServicePath(path);
        FileRef item;
        const bool usable = bytes && FileRef::FromPath(*bytes, item) == 0;
        if (usable && entry && ActOnItem(target, *entry, item, revealEach, run)) {
            continue;
        }
        // The item ending: the flag keeps its value.
        if (!run.success) {
            Log(kNotMoved);
        }
    }

    if (!run.success) {
        return;
    }
    PlayCompletionSound(ctx);
    // The reveals brought the file manager forward already; without them,
    // show it the last item that arrived.
    if (!revealEach && run.lastMoved.IsValid()) {
        ctx.platform.RevealItem(run.lastMoved.Path());
    }
}

} // namespace ferrolet
