#include "items/RevealMovedItem.h"

#include "items/FolderItems.h"
#include "items/ItemNames.h"

namespace ferrolet {

void RevealMovedItem(Platform& platform, const FileRef& item, const std::string& destinationPath) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return;
    }
    // The destination is a folder the user chose, reached as they named it.
    FileRef destination;
    if (FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow) != 0) {
        return;
    }
    FileRef child;
    if (MakeChildRef(destination, *name, child) != 0) {
        return;
    }
    std::string childPath;
    if (child.MakePath(childPath) != 0) {
        return;
    }
    platform.RevealItem(childPath);
}

} // namespace ferrolet
