#pragma once

#include "platform/FileRef.h"

#include <optional>
#include <string>

namespace ferrolet {

// The path to select in a file-manager window for an item that has arrived
// in the folder at destinationPath: item is the reference handed back for
// the item at its new place. Nothing when the item is gone, the destination
// cannot be found, or holds nothing of the item's name. The caller gathers
// these and reveals them together at the end of its run.
std::optional<std::string> MovedItemRevealPath(const FileRef& item,
                                               const std::string& destinationPath);

} // namespace ferrolet
