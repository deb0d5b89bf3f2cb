#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace ferrolet {

// How far a command run has got, as a progress window shows it, and the
// user's request to stop it. The run fills it in between items and from the
// file engine's reports; whoever watches the run may set cancelRequested at
// any time (from another thread too), and the run stops after the item in
// hand, rolling back a copy in flight.
struct RunProgress {
    // Items behind the run (done or failed), and the one in hand.
    int itemsReached = 0;
    std::string itemName;
    // Bytes of the item in hand: its regular-file total and how many of them
    // are copied; both 0 for an item that is only renamed.
    uint64_t itemBytes = 0;
    uint64_t itemBytesDone = 0;
    // Bytes copied over the whole run.
    uint64_t bytesDone = 0;
    std::atomic<bool> cancelRequested{false};
};

} // namespace ferrolet
