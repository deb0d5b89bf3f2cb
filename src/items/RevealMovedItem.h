#pragma once

#include "platform/FileRef.h"
#include "platform/Platform.h"

#include <string>

namespace ferrolet {

// Selects the item in a file-manager window once it has arrived in the
// folder at destinationPath: item is the reference handed back for the item
// at its new place. Does nothing when the item is gone, the destination
// cannot be found, or holds nothing of the item's name.
void RevealMovedItem(Platform& platform, const FileRef& item, const std::string& destinationPath);

} // namespace ferrolet
