#include "fileops/commands/CopySelection.h"

#include "filemanager/ItemComments.h"
#include "fileops/commands/CompletionSound.h"
#include "fileops/commands/DestinationChoice.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/engine/FileEngine.h"
#include "items/ClashReplacement.h"
#include "items/RevealMovedItem.h"
#include "settings/OptionReaders.h"
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
    if (status != 0) {
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
        if (ReadItemComment(item, comment, hasComment) != 0) {
            hasComment = false;
        }
    }
    status = CopyObject(item, destination, nullptr, copy, ctx.progress);
    if (status != 0) {
        clash.Rollback();
        return status;
    }
    clash.Commit();
    if (hasComment) {
        WriteItemComment(*copy, comment); // the copy stands either way
    }
    return 0;
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
        if (status != 0) {
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
