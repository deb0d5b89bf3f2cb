#include "fileops/commands/CopySelection.h"

#include "filemanager/ItemComments.h"
#include "fileops/commands/DestinationCommand.h"
#include "fileops/commands/DestinationFolderCache.h"
#include "fileops/engine/FileEngine.h"
#include "items/ClashReplacement.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <memory>

namespace ferrolet {

namespace {

// One item's copy: the status of the copy itself; *copy receives the new item.
Status CopyOneItem(CommandContext& ctx, const FileRef& item, const std::string& destinationPath,
                   DestinationFolderCache& folders, FileRef* copy) {
    FileRef destination;
    bool isFolder = false;
    Status status = folders.Resolve(destinationPath, destination, &isFolder);
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
    DestinationOperation operation;
    // One folder for the whole run, looked up once (DestinationFolderCache).
    auto folders = std::make_shared<DestinationFolderCache>();
    operation.action = [folders](CommandContext& c, const FileRef& item, const std::string&,
                                 const std::string& destinationPath, FileRef& copy) {
        return CopyOneItem(c, item, destinationPath, *folders, &copy);
    };
    operation.failureLine =
        QStringLiteral("Ferrolet: An error occurred copying a file system object. Error code = %1");
    // The snapshot's reference is copied as it stands, so an item that
    // vanished is a failed copy, reported like any other.
    operation.skipLostItems = false;
    operation.purpose = DialogPurpose::Copy;
    operation.verb = QStringLiteral("Copy To");
    operation.done = QStringLiteral("copied");
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
