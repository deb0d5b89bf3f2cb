#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

namespace ferrolet {

// The state folder (~/.local/state/Ferrolet) as a place to put things in:
// made when missing, and refused when it is a symbolic link (ELOOP: it would
// lead cut items and archives somewhere the user never chose), not a folder
// (ENOTDIR), or cannot be written (EACCES, EROFS). Cut, Wrap and Archive To
// ask first, so that a state folder they cannot use is a failure the user is
// told about instead of a command that silently does nothing.
Status UsableStateFolder(FileRef& folder);

} // namespace ferrolet
