#include "fileops/engine/HardLink.h"

#include "journal/GestureRecorder.h"

#include "items/ClashReplacement.h"
#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "util/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

Status MakeHardLink(SettingsStore& settings, const FileRef& item,
                    const std::string& destinationPath, FileRef* newItem) {
    FileRef destination;
    if (Status status = FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow);
        status != 0) {
        Log(QStringLiteral("Ferrolet: An error occurred hard linking a folder or file. "
                           "Error code = %1")
                .arg(status));
        return status;
    }
    FileRef parent;
    if (Status status = GetParentFolderRef(item, parent); status != 0) {
        return status;
    }
    if (parent.IsNull()) {
        return EINVAL; // a volume's root has no name to link under
    }
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return ENOENT;
    }
    ScopedFd parentFd;
    if (Status status = OpenFolderRef(parent, parentFd); status != 0) {
        return status;
    }
    ScopedFd destinationFd;
    if (Status status = OpenFolderRef(destination, destinationFd); status != 0) {
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
    RecordDoneStep(StepKind::Made, item.Path(), ChildPath(destination.Path(), *name),
                   IdentityOf(linked));
    if (newItem) {
        *newItem =
            FileRef::Make(ChildPath(destination.Path(), *name), linked.st_dev, linked.st_ino);
    }
    return 0;
}

} // namespace ferrolet
