#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ferrolet {

// Lets a long copy or move show that it is alive. The file engine calls
// `started` once per item before its bytes are copied (totalBytes is the sum
// of the item's regular-file sizes), then `advanced` with the bytes copied so
// far, no more often than every few megabytes and once when the item is done.
// Returning false from `advanced` cancels: the partial copy is removed and the
// operation fails with ECANCELED. Either callback may be empty; the engine
// behaves the same without a sink.
struct ProgressSink {
    std::function<void(const std::string& itemName, uint64_t totalBytes)> started;
    std::function<bool(uint64_t bytesDone)> advanced;
};

} // namespace ferrolet
