#include "MoveItem.h"

#include "ClashReplacement.h"
#include "FileEngine.h"
#include "FolderItems.h"
#include "ItemNames.h"
#include "UniqueName.h"
#include "finder/FinderComments.h"
#include "settings/Prefs.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

namespace ferrolet {

namespace {

QString NameForLog(const FileRef& item) {
    const std::optional<std::string> name = CopyItemName(item);
    return name ? QString::fromUtf8(*name) : QString();
}

} // namespace

Status MoveItem(CommandContext& ctx, const FileRef& item, const FileRef& destinationFolder,
                FileRef* newItem) {
    FileRef parent;
    if (const Status status = GetParentFolderRef(item, parent); status != noErr) {
        return status;
    }
    if (!parent.IsNull() && parent.SameItem(destinationFolder)) {
        if (newItem) {
            *newItem = item;
        }
        return noErr;
    }

    ClashReplacement clash;
    RemoveClashingItem(ctx.settings, item, destinationFolder, clash);
    const std::optional<std::string> uniqueName = MakeUniqueName(destinationFolder, item);

    QString comment;
    bool hasComment = false;
    if (ReadBoolPref(ctx.settings, keys::PreserveComments)) {
        if (MoreFEReadComment(item, comment, hasComment) != noErr) {
            hasComment = false;
        }
    }

    FileRef moved;
    const Status status = MoveObject(item, destinationFolder, uniqueName ? &*uniqueName : nullptr,
                                     &moved, ctx.progress);
    if (status != noErr) {
        clash.Rollback();
        Log(QStringLiteral("An error occurred: %1").arg(status));
        return status;
    }
    clash.Commit();
    if (newItem) {
        *newItem = moved;
    }

    if (hasComment) {
        if (const Status written = MoreFEWriteComment(moved, comment); written != noErr) {
            Log(QStringLiteral("Ferrolet: The comment of \"%1\" could not be kept. Error code = %2")
                    .arg(NameForLog(moved))
                    .arg(written));
        }
    }
    const QString movedName = NameForLog(moved);
    const QString folderName = NameForLog(destinationFolder);
    if (!movedName.isNull() && !folderName.isNull()) {
        Log(QStringLiteral("Moved \"%1\" to \"%2\"").arg(movedName, folderName));
    }
    return noErr;
}

bool MoveItemToPath(CommandContext& ctx, const FileRef& item, const std::string& destinationPath,
                    FileRef* newItem) {
    FileRef destination;
    const Status status = FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow);
    if (status != noErr) {
        Log(QStringLiteral("Ferrolet: An error occurred moving a folder or file. Error code = %1")
                .arg(status));
        return false;
    }
    return MoveItem(ctx, item, destination, newItem) == noErr;
}

bool MoveItemAtPath(CommandContext& ctx, const std::string& itemPath,
                    const std::string& destinationPath, FileRef* newItem) {
    FileRef item;
    if (FileRef::FromPath(itemPath, item) != noErr) {
        return false;
    }
    return MoveItemToPath(ctx, item, destinationPath, newItem);
}

} // namespace ferrolet
