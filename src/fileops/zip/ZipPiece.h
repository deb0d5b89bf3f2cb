#pragma once

#include "util/Status.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ferrolet {

// One block of an entry's data on its way into the archive: read by the
// walk, deflated (or only summed) by a compressor thread, then written in
// archive order. A small file is one block; a big one is cut into blocks
// that are deflated independently, each primed with the 32 KiB before it,
// so that one big file keeps every core busy too.
struct ZipPiece {
    size_t entry = 0; // the entry's index in the writer's records
    bool first = false;
    bool last = false;
    bool compress = false; // deflate; otherwise the input is stored as it is
    // The whole entry is this one block: the compressor judges whether it is
    // worth deflating (ZipCompressibility.h), and stores it should deflating
    // not shrink it.
    bool wholeEntry = false;
    std::vector<char> input;
    std::vector<char> window; // the (up to) 32 KiB before input in the file
    std::vector<char> output; // the deflated block
    // Results, set by the compressor.
    uint32_t crc = 0;
    bool stored = false;
    Status status = 0;
    // Set once the results are in; read and written under the compressors'
    // lock once the piece was submitted.
    bool done = false;

    // The bytes that go into the archive.
    const std::vector<char>& Bytes() const { return compress && !stored ? output : input; }
};

} // namespace ferrolet
