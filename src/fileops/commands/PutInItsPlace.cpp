#include "fileops/commands/PutInItsPlace.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/MoveItem.h"
#include "items/ItemNames.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLook.h"

namespace ferrolet {

namespace {

// Why an item with this extension stays where it is, in plain words.
QString NoFolderReason(const QString& extension) {
    return extension.isEmpty() ? QStringLiteral("No folder is set for items without an extension")
                               : QStringLiteral("No folder is set for .%1 items").arg(extension);
}

// Files one item; the run's report hears of an item that stays. False when
// the user cancelled the run while the item was being moved (reached items
// were behind it).
bool PutItemInItsPlace(CommandContext& ctx, const FileRef& item, RunReport& report, int reached) {
    const QString extension = LowercaseExtension(item);
    const auto entry = extension.isEmpty() ? ctx.extensionFolderMap.constEnd()
                                           : ctx.extensionFolderMap.constFind(extension);
    if (entry == ctx.extensionFolderMap.constEnd()) {
        report.AddFailure(NameForReport(item), NoFolderReason(extension));
        return true;
    }
    std::string itemPath;
    if (const Status lost = item.MakePath(itemPath); lost != 0) {
        NoteFailure(ctx, NameForReport(item), lost);
        return true;
    }
    const std::string folderPath = entry.value().toStdString();
    FileRef moved;
    if (const Status status = MoveItemIntoPath(ctx, item, folderPath, &moved); status != 0) {
        if (CancelledDuring(ctx, status, reached)) {
            return false;
        }
        ctx.platform.Beep();
        if (folderPath.empty() || folderPath.front() != '/') {
            // The folder recorded for the extension no longer resolves: said
            // so, rather than as the path's "Invalid argument".
            report.AddFailure(
                NameForReport(item, itemPath),
                QStringLiteral("The folder set for .%1 items was not found").arg(extension));
        } else {
            NoteFailure(ctx, NameForReport(item, itemPath), status);
        }
        return true;
    }
    // The sound answers each item; the file manager shows them all at the
    // end of the run.
    PlayCompletionSound(ctx);
    if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
        RevealMovedItem(ctx, moved, folderPath);
    }
    return true;
}

} // namespace

void PutInItsPlace(CommandContext& ctx) {
    CommandRunScope run(ctx, QStringLiteral("Put In Its Place"), QStringLiteral("moved"));
    if (!ctx.selection.hasArray || ctx.selection.items.empty()) {
        NoteNothingSelected(ctx);
        return;
    }
    // The selection is copied: a reveal or a sound must not see it change
    // under the loop, and nothing here should either.
    const std::vector<FileRef> items = ctx.selection.items;
    NoteItems(ctx, static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        const SettingsLook look(ctx.settings); // one look at the settings per item
        const int reached = static_cast<int>(i);
        if (!NextItem(ctx, reached, items[i].Name()) ||
            !PutItemInItsPlace(ctx, items[i], run.Report(), reached)) {
            break;
        }
    }
}

} // namespace ferrolet
