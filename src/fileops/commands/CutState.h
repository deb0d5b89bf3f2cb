#pragma once

#include "platform/FileRef.h"

namespace ferrolet {

// The pending Cut: set by Cut Items, cleared by Paste Items once nothing is
// left to paste. The cut items wait in the holding folder, a UUID-named
// folder of the state directory; an item that cannot be pasted goes back to
// the origin folder (the first cut item's parent).
//
// The state is kept on disk as well (CutStateFile.h), so that held items can
// still be pasted after a quit, a crash or a reboot.
struct CutState {
    bool pending = false;
    FileRef holdingFolder;
    FileRef originFolder;
};

} // namespace ferrolet
