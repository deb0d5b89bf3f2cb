#include "fileops/commands/MoveItem.h"

#include "filemanager/ItemComments.h"
#include "fileops/engine/FileEngine.h"
#include "items/ClashReplacement.h"
#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/UniqueName.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace ferrolet {

namespace {

QString NameForLog(const FileRef& item) {
    const std::optional<std::string> name = ItemFileName(item);
    return name ? QString::fromUtf8(*name) : QString();
}

// Whether item, whose status the caller has just read, already sits in
// folder: the folder holding it is the one its parent path leads to, links
// followed (the user may have reached the item through them).
Status IsInFolder(const FileRef& item, const FileRef& folder, bool& inFolder) {
    inFolder = false;
    if (item.Path() == "/") {
        return 0;
    }
    struct stat parent {};
    if (::stat(item.ParentPath().c_str(), &parent) != 0) {
        return LastErrnoStatus();
    }
    inFolder = parent.st_dev == folder.Device() && parent.st_ino == folder.Inode();
    return 0;
}

// The moved item, complete in folder under a unique name, takes the name of
// the same-named item there when the settings ask to replace it: that item
// is set aside, the moved item renamed (never replacing), and the set-aside
// item removed, or put back if the rename fails. Until then both are whole
// under names of their own.
void TakeOverName(CommandContext& ctx, const std::string& name, const FileRef& folder,
                  FileRef& moved) {
    ClashReplacement clash;
    if (!RemoveClashingItemNamed(ctx.settings, name, moved, folder, clash)) {
        return;
    }
    ScopedFd folderFd;
    if (OpenFolderRef(folder, folderFd) != 0 ||
        renameat2(folderFd.Get(), moved.Name().c_str(), folderFd.Get(), name.c_str(),
                  RENAME_NOREPLACE) != 0) {
        clash.Rollback();
        return;
    }
    clash.Commit();
    moved = FileRef::Make(ChildPath(folder.Path(), name), moved.Device(), moved.Inode());
}

// How a move meets a same-named item in the destination folder.
struct NameClash {
    // The same-named item, set aside now when the move stays on its file system.
    ClashReplacement replaced;
    // The name the item moves under when its own is taken.
    std::optional<std::string> uniqueName;
    // Across file systems: the name taken over once the item is complete.
    std::string takeOverName;
};

// Clearing the way and picking a unique name only matter when the name is
// taken; most moves meet no clash, and one look at the folder's entry of
// that name settles it. The same look tells whether the item is already
// there: it can only be when that entry is the item itself (and then its
// parent folder says whether it is this entry or a hard link elsewhere). A
// clash that appears after this question is still safe: the move never
// replaces, it fails.
Status PrepareForNameClash(CommandContext& ctx, const FileRef& item,
                           const FileRef& destinationFolder, bool& alreadyThere, NameClash& clash) {
    alreadyThere = false;
    const std::string name = item.Name();
    struct stat there {};
    if (name.empty() || (::lstat(ChildPath(destinationFolder.Path(), name).c_str(), &there) != 0 &&
                         errno == ENOENT)) {
        return 0;
    }
    if (there.st_dev == item.Device() && there.st_ino == item.Inode()) {
        if (const Status status = IsInFolder(item, destinationFolder, alreadyThere); status != 0) {
            return status;
        }
        if (alreadyThere) {
            return 0;
        }
    }
    if (item.Device() == destinationFolder.Device()) {
        RemoveClashingItem(ctx.settings, item, destinationFolder, clash.replaced);
    } else {
        // Across file systems the copy takes time: the same-named item
        // keeps its name until the moved item is complete in the folder
        // (under its unique name), and only then makes room for it.
        clash.takeOverName = name;
    }
    clash.uniqueName = MakeUniqueName(destinationFolder, item);
    return 0;
}

// The item's comment when the settings ask to keep comments and it has one.
std::optional<QString> CommentToKeep(CommandContext& ctx, const FileRef& item) {
    if (!ReadBoolPref(ctx.settings, keys::PreserveComments)) {
        return std::nullopt;
    }
    QString comment;
    bool hasComment = false;
    // MoveItem looked at the item a moment ago.
    if (ReadItemComment(item, comment, hasComment, ItemCheck::Done) != 0 || !hasComment) {
        return std::nullopt;
    }
    return comment;
}

// A comment that cannot be carried does not turn the move into a failure.
void KeepComment(const FileRef& moved, const QString& comment) {
    if (const Status written = WriteItemComment(moved, comment); written != 0) {
        Log(QStringLiteral("Ferrolet: The comment of \"%1\" could not be kept. Error code = %2")
                .arg(NameForLog(moved))
                .arg(written));
    }
}

void LogMoved(const FileRef& moved, const FileRef& destinationFolder) {
    // Both were just used by the move: their names need no second look.
    const std::string movedName = moved.Name();
    const std::string folderName = destinationFolder.Name();
    if (!movedName.empty() && !folderName.empty()) {
        Log(QStringLiteral("Moved \"%1\" to \"%2\"")
                .arg(QString::fromUtf8(movedName), QString::fromUtf8(folderName)));
    }
}

} // namespace

Status MoveItem(CommandContext& ctx, const FileRef& item, const FileRef& destinationFolder,
                FileRef* newItem, ItemCheck check) {
    struct stat itemInfo {};
    if (const Status status = check == ItemCheck::Needed ? StatItemRef(item, itemInfo) : 0;
        status != 0) {
        return status;
    }
    bool alreadyThere = false;
    NameClash clash;
    if (const Status status =
            PrepareForNameClash(ctx, item, destinationFolder, alreadyThere, clash);
        status != 0) {
        return status;
    }
    if (alreadyThere) {
        if (newItem) {
            *newItem = item;
        }
        return 0;
    }
    const std::optional<QString> comment = CommentToKeep(ctx, item);

    FileRef moved;
    const Status status =
        MoveObject(item, destinationFolder, clash.uniqueName ? &*clash.uniqueName : nullptr, &moved,
                   ctx.progress);
    if (status != 0) {
        clash.replaced.Rollback();
        if (status != ECANCELED) { // the user's cancel is no error
            Log(QStringLiteral("An error occurred: %1").arg(status));
        }
        return status;
    }
    clash.replaced.Commit();
    if (!clash.takeOverName.empty() && clash.uniqueName) {
        TakeOverName(ctx, clash.takeOverName, destinationFolder, moved);
    }
    if (newItem) {
        *newItem = moved;
    }

    if (comment) {
        KeepComment(moved, *comment);
    }
    LogMoved(moved, destinationFolder);
    return 0;
}

bool MoveItemToPath(CommandContext& ctx, const FileRef& item, const std::string& destinationPath,
                    FileRef* newItem) {
    return MoveItemIntoPath(ctx, item, destinationPath, newItem) == 0;
}

Status MoveItemIntoPath(CommandContext& ctx, const FileRef& item,
                        const std::string& destinationPath, FileRef* newItem) {
    FileRef destination;
    const Status status = FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow);
    if (status != 0) {
        Log(QStringLiteral("Ferrolet: An error occurred moving a folder or file. Error code = %1")
                .arg(status));
        return status;
    }
    return MoveItem(ctx, item, destination, newItem);
}

} // namespace ferrolet
