#include "fileops/engine/AliasLink.h"

#include "journal/GestureRecorder.h"

#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "items/UniqueName.h"

#include <unistd.h>

namespace ferrolet {

namespace {

// A destination holding this many aliases of one name has a runaway behind
// it; we stop rather than try names for ever.
constexpr int kMostAttempts = 10000;

} // namespace

std::string AliasNameFor(const std::string& itemName, int attempt) {
    if (attempt <= 0) {
        return itemName;
    }
    std::string suffix = " alias";
    if (attempt > 1) {
        suffix += ' ' + std::to_string(attempt);
    }
    return TruncateAtCharacterBoundary(itemName, kMaxNameBytes - suffix.size()) + suffix;
}

Status MakeAlias(const FileRef& item, const std::string& destinationPath, FileRef* newItem) {
    std::string target;
    if (Status status = item.MakePath(target); status != 0) {
        return status;
    }
    const std::optional<std::string> itemName = ItemFileName(item);
    if (!itemName) {
        return ENOENT;
    }
    FileRef destination;
    bool isFolder = false;
    if (Status status =
            FileRef::FromPath(destinationPath, destination, FileRef::Leaf::Follow, &isFolder);
        status != 0) {
        return status;
    }
    if (!isFolder) {
        return ENOTDIR;
    }
    ScopedFd folder;
    if (Status status = OpenFolderRef(destination, folder); status != 0) {
        return status;
    }
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const std::string name = AliasNameFor(*itemName, attempt);
        if (symlinkat(target.c_str(), folder.Get(), name.c_str()) == 0) {
            FileRef link;
            if (Status status = MakeChildRef(destination, name, link); status != 0) {
                return status;
            }
            RecordDoneStep(StepKind::Made, item.Path(), link.Path(),
                           IdentityAt(folder.Get(), name));
            if (newItem) {
                *newItem = link;
            }
            return 0;
        }
        if (errno != EEXIST) {
            return LastErrnoStatus();
        }
    }
    return EEXIST;
}

} // namespace ferrolet
