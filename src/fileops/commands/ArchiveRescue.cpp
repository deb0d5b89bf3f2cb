#include "fileops/commands/ArchiveRescue.h"

#include "fileops/engine/FileEngine.h"
#include "items/FolderItems.h"
#include "items/ItemNames.h"
#include "items/UniqueName.h"

#include <unistd.h>

#include <vector>

namespace ferrolet {

std::optional<FileRef> RescueArchive(const FileRef& archive, const std::string& destinationPath,
                                     const FileRef& firstItem) {
    std::vector<FileRef> folders;
    FileRef folder;
    if (!destinationPath.empty() &&
        FileRef::FromPath(destinationPath, folder, FileRef::Leaf::Follow) == 0) {
        folders.push_back(folder);
    }
    if (GetParentFolderRef(firstItem, folder) == 0 && !folder.IsNull()) {
        folders.push_back(folder);
    }
    const std::string holdingFolder = archive.ParentPath();
    for (const FileRef& candidate : folders) {
        const std::string name = UniqueNameFromName(archive.Name(), NewUUIDString());
        FileRef moved;
        if (MoveObject(archive, candidate, &name, &moved) == 0) {
            rmdir(holdingFolder.c_str());
            return moved;
        }
    }
    return std::nullopt;
}

} // namespace ferrolet
