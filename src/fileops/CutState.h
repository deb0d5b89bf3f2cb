#pragma once

#include "platform/FileRef.h"

namespace ferrolet {

// The pending Cut: set by Cut Items, cleared by Paste Items. The cut items
// wait in the holding folder; an item that cannot be pasted goes back to the
// origin folder (the first cut item's parent).
struct CutState {
    bool pending = false;
    FileRef holdingFolder;
    FileRef originFolder;
};

} // namespace ferrolet
