#pragma once

#include "platform/FileRef.h"

#include <optional>
#include <string>

namespace ferrolet {

// A finished archive never stays hidden in the state folder: when its move
// into the destination failed (or there is no destination), it is moved out
// under a unique name ("<name> - <UUID>.zip"), first into the destination
// folder (when destinationPath names one), else into the folder of the first
// archived item. Its emptied UUID folder goes. The archive at its new place,
// or nothing when neither folder takes it (it then stays where it is).
std::optional<FileRef> RescueArchive(const FileRef& archive, const std::string& destinationPath,
                                     const FileRef& firstItem);

} // namespace ferrolet
