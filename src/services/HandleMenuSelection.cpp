#include "HandleMenuSelection.h"

#include "ServiceEntries.h"
#include "ServicePaths.h"
#include "dispatch/CommandDispatch.h"
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

} // namespace

void HandleMenuSelection(ServiceTarget& target, const QStringList& paths, const QString& userData) {
    if (paths.isEmpty()) {
        return;
    }
    CommandContext& ctx = target.ctx;
    const std::optional<ServiceEntry> entry = FindServiceEntry(userData);
    const bool revealEach = ReadBoolPref(ctx.settings, keys::SelectMovedItem);

    bool success = false;
    FileRef lastMoved;
    for (const QString& path : paths) {
        const std::optional<std::string> bytes = UsableServicePath(path);
        FileRef item;
        const bool usable = bytes && FileRef::FromPath(*bytes, item) == 0;
        if (usable && entry) {
            switch (entry->action) {
            case ServiceAction::MoveToStandardFolder: {
                const StandardFolderEntry& folder =
                    FolderEntry(target.standardFolders, entry->folder);
                if (folder.path.empty()) {
                    break; // to the item ending
                }
                FileRef moved;
                success = MoveItem(ctx, item, folder.folder, &moved) == 0;
                if (!success) {
                    Log(kNotMoved);
                    continue;
                }
                lastMoved = moved;
                if (revealEach) {
                    RevealMovedItem(ctx.platform, moved, folder.path);
                }
                continue;
            }
            case ServiceAction::OpenWindow:
                RunWindowHook(target.window.openAtMouse);
                break;
            case ServiceAction::CloseWindow:
                RunWindowHook(target.window.close);
                break;
            case ServiceAction::RunWithFolderDialog:
                RunCommandWithFolderDialog(ctx, static_cast<int>(entry->command));
                success = true;
                continue;
            }
        }
        // The item ending: the flag keeps its value.
        if (!success) {
            Log(kNotMoved);
        }
    }

    if (!success) {
        return;
    }
    PlayCompletionSound(ctx);
    // The reveals brought the file manager forward already; without them,
    // show it the last item that arrived.
    if (!revealEach && lastMoved.IsValid()) {
        ctx.platform.RevealItem(lastMoved.Path());
    }
}

} // namespace ferrolet
