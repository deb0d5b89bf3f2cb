#include "fileops/commands/PutInItsPlace.h"

#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/MoveItem.h"
#include "items/ItemNames.h"
#include "items/RevealMovedItem.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

namespace ferrolet {

void PutInItsPlace(CommandContext& ctx) {
    if (!ctx.selection.hasArray || ctx.selection.items.empty()) {
        return;
    }
    // The selection is copied: a reveal or a sound must not see it change
    // under the loop, and nothing here should either.
    const std::vector<FileRef> items = ctx.selection.items;
    for (const FileRef& item : items) {
        const QString extension = LowercaseExtension(item);
        if (extension.isEmpty()) {
            continue;
        }
        const auto entry = ctx.extensionFolderMap.constFind(extension);
        if (entry == ctx.extensionFolderMap.constEnd()) {
            continue;
        }
        std::string itemPath;
        if (item.MakePath(itemPath) != 0) {
            continue;
        }
        const std::string folderPath = entry.value().toStdString();
        FileRef moved;
        if (MoveItemToPath(ctx, item, folderPath, &moved)) {
            // The sound answers each item, and comes before the file manager
            // window of its reveal.
            PlayCompletionSound(ctx);
            if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
                RevealMovedItem(ctx.platform, moved, folderPath);
            }
        } else {
            ctx.platform.Beep();
        }
    }
}

} // namespace ferrolet
