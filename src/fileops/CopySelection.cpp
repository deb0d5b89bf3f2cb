#include "CopySelection.h"

#include "ClashReplacement.h"
#include "CompletionSound.h"
#include "DestinationChoice.h"
#include "DestinationCommand.h"
#include "FileEngine.h"
#include "RevealMovedItem.h"
#include "finder/FinderComments.h"
#include "settings/Prefs.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

namespace ferrolet {

namespace {

// One item's copy: the status of the copy itself; *copy receives the new item.
Status CopyOneItem(CommandContext& ctx, const FileRef& item, const std::string& destinationPath,
                   FileRef* copy) {
    FileRef destination;
    bool isFolder = false;
    Status status =
        FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow, &isFolder);
    if (status != noErr) {
        return status;
    }
    if (!isFolder) {
        return ENOTDIR;
    }
    ClashReplacement clash;
    RemoveClashingItem(ctx.settings, item, destination, clash);

    QString comment;
    bool hasComment = false;
    if (ReadBoolPref(ctx.settings, keys::PreserveComments)) {
        if (MoreFEReadComment(item, comment, hasComment) != noErr) {
            hasComment = false;
        }
    }
    status = CopyObject(item, destination, nullptr, copy, ctx.progress);
    if (status != noErr) {
        clash.Rollback();
        return status;
    }
    clash.Commit();
    if (hasComment) {
        MoreFEWriteComment(*copy, comment); // the copy stands either way
    }
    return noErr;
}

} // namespace

void CopySelectionToFolder(CommandContext& ctx, int k) {
    std::optional<std::string> chosen;
    if (!StartDestinationCommand(ctx, k, chosen)) {
        return;
    }
    DestinationResolver destinations(k, chosen);
    const std::vector<FileRef> items = SelectedItems(ctx);
    const size_t count = items.size();
    for (size_t i = 0; i < count; ++i) {
        const std::optional<std::string> destination = destinations.Next(ctx);
        if (!destination) {
            continue;
        }
        FileRef copy;
        const Status status = CopyOneItem(ctx, items[i], *destination, &copy);
        if (status != noErr) {
            ctx.platform.Beep();
            Log(QStringLiteral(
                    "Ferrolet: An error occurred copying a file system object. Error code = %1")
                    .arg(status));
            continue;
        }
        FinishDestinationItem(ctx, copy, *destination, i == count - 1);
    }
}

} // namespace ferrolet
