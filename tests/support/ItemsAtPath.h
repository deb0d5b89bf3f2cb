#pragma once

// Path forms of the move and link steps, for tests that name items by path
// rather than through a selection. Header-only, so that only the tests that
// include it need the file operations library.
#include "fileops/commands/CommandContext.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/engine/AliasLink.h"
#include "fileops/engine/HardLink.h"
#include "platform/FileRef.h"
#include "settings/SettingsStore.h"
#include "util/Status.h"

#include <string>

namespace ferrolet::test {

// MoveItemToPath for an item given by its path. An item path that names
// nothing fails without a log line.
inline bool MoveItemAtPath(CommandContext& ctx, const std::string& itemPath,
                           const std::string& destinationPath, FileRef* newItem = nullptr) {
    FileRef item;
    if (FileRef::FromPath(itemPath, item) != 0) {
        return false;
    }
    return MoveItemToPath(ctx, item, destinationPath, newItem);
}

// MakeAlias for the item at itemPath (a symbolic link there is aliased
// itself, not what it points to).
inline Status MakeAliasAtPath(const std::string& itemPath, const std::string& destinationPath,
                              FileRef* newItem = nullptr) {
    FileRef item;
    if (const Status status = FileRef::FromPath(itemPath, item); status != 0) {
        return status;
    }
    return MakeAlias(item, destinationPath, newItem);
}

// MakeHardLink for the item at itemPath; a path that names nothing fails
// without a log line.
inline Status MakeHardLinkAtPath(SettingsStore& settings, const std::string& itemPath,
                                 const std::string& destinationPath, FileRef* newItem = nullptr) {
    FileRef item;
    if (const Status status = FileRef::FromPath(itemPath, item); status != 0) {
        return status;
    }
    return MakeHardLink(settings, item, destinationPath, newItem);
}

} // namespace ferrolet::test
