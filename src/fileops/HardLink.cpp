#include "HardLink.h"

#include "ClashReplacement.h"
#include "FolderItems.h"
#include "ItemAccess.h"
#include "ItemNames.h"
#include "ScopedFd.h"
#include "util/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

Status MakeHardLink(SettingsStore& settings, const FileRef& item,
                    const std::string& destinationPath, FileRef* newItem) {
    FileRef destination;
    if (Status status = FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow);
        status != noErr) {
        Log(QStringLiteral("Ferrolet: An error occurred hard linking a folder or file. "
                           "Error code = %1")
                .arg(status));
        return status;
    }
    FileRef parent;
    if (Status status = GetParentFolderRef(item, parent); status != noErr) {
        return status;
    }
    if (parent.IsNull()) {
        return paramErr; // a volume's root has no name to link under
    }
    const std::optional<std::string> name = CopyItemName(item);
    if (!name) {
        return fnfErr;
    }
    ScopedFd parentFd;
    if (Status status = OpenFolderRef(parent, parentFd); status != noErr) {
        return status;
    }
    ScopedFd destinationFd;
    if (Status status = OpenFolderRef(destination, destinationFd); status != noErr) {
        return status;
    }

    ClashReplacement clash;
    RemoveClashingItem(settings, item, destination, clash);
    // No AT_SYMLINK_FOLLOW: a symbolic link is linked as the link it is.
    if (linkat(parentFd.Get(), name->c_str(), destinationFd.Get(), name->c_str(), 0) != 0) {
        const Status status = LastErrnoStatus();
        clash.Rollback();
        return status;
    }
    // The parent's entry may have been swapped for another item since the
    // selection was taken; a link to that one is undone.
    struct stat linked {};
    if (fstatat(destinationFd.Get(), name->c_str(), &linked, AT_SYMLINK_NOFOLLOW) != 0 ||
        linked.st_dev != item.Device() || linked.st_ino != item.Inode()) {
        unlinkat(destinationFd.Get(), name->c_str(), 0);
        clash.Rollback();
        return EBUSY;
    }
    clash.Commit();
    if (newItem) {
        *newItem =
            FileRef::Make(ChildPath(destination.Path(), *name), linked.st_dev, linked.st_ino);
    }
    return noErr;
}

Status MakeHardLinkAtPath(SettingsStore& settings, const std::string& itemPath,
                          const std::string& destinationPath, FileRef* newItem) {
    FileRef item;
    if (Status status = FileRef::FromPath(itemPath, item); status != noErr) {
        return status;
    }
    return MakeHardLink(settings, item, destinationPath, newItem);
}

} // namespace ferrolet
