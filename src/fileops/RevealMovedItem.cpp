#include "RevealMovedItem.h"

#include "FolderItems.h"
#include "ItemNames.h"

namespace ferrolet {

void RevealMovedItem(Platform& platform, const FileRef& item, const std::string& destinationPath) {
    const std::optional<std::string> name = CopyItemName(item);
    if (!name) {
        return;
    }
    // The destination is a folder the user chose, reached as they named it.
    FileRef destination;
    if (FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow) != noErr) {
        return;
    }
    FileRef child;
    if (MakeChildRef(destination, *name, child) != noErr) {
        return;
    }
    std::string childPath;
    if (child.MakePath(childPath) != noErr) {
        return;
    }
    platform.RevealItem(childPath);
}

} // namespace ferrolet
