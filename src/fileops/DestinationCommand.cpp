#include "DestinationCommand.h"

#include "CompletionSound.h"
#include "DestinationChoice.h"
#include "RevealMovedItem.h"
#include "settings/Prefs.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

namespace ferrolet {

bool HasSelection(const CommandContext& ctx) {
    return ctx.selection.hasArray && ctx.selection.count >= 1 && !ctx.selection.items.empty();
}

void RunDestinationCommand(CommandContext& ctx, int k, const DestinationOperation& operation) {
    if (!HasSelection(ctx)) {
        return;
    }
    std::optional<std::string> chosen;
    if (k < 1) {
        chosen = ChooseDestinationFolder(ctx);
        if (!chosen) {
            return;
        }
    }
    // The snapshot is copied: a command may run the event loop (progress),
    // and a menu build then must not change the items under our feet.
    DestinationResolver destinations(k, chosen);
    const std::vector<FileRef> items = ctx.selection.items;
    const size_t count = std::min(items.size(), static_cast<size_t>(ctx.selection.count));
    for (size_t i = 0; i < count; ++i) {
        std::string itemPath;
        if (items[i].MakePath(itemPath) != noErr) {
            continue;
        }
        const std::optional<std::string> destination = destinations.Next(ctx);
        if (!destination) {
            continue;
        }
        FileRef newItem;
        if (!operation.action(ctx, items[i], itemPath, *destination, newItem)) {
            ctx.platform.Beep();
            Log(operation.failureLine);
            continue;
        }
        if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
            RevealMovedItem(ctx.platform, newItem, *destination);
        }
        if (i == count - 1) {
            PlayCompletionSound(ctx);
        }
    }
}

} // namespace ferrolet
