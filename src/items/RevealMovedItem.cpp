#include "items/RevealMovedItem.h"

#include "items/FolderItems.h"
#include "items/ItemNames.h"

namespace ferrolet {

std::optional<std::string> MovedItemRevealPath(const FileRef& item,
                                               const std::string& destinationPath) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return std::nullopt;
    }
    // The destination is a folder the user chose, reached as they named it.
    FileRef destination;
    if (FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow) != 0) {
        return std::nullopt;
    }
    FileRef child;
    if (MakeChildRef(destination, *name, child) != 0) {
        return std::nullopt;
    }
    std::string childPath;
    if (child.MakePath(childPath) != 0) {
        return std::nullopt;
    }
    return childPath;
}

} // namespace ferrolet
