#pragma once

#include <cstddef>

namespace ferrolet {

// Whether data that starts with this sample is worth deflating. Already
// compressed data (photos, videos, other archives) does not shrink, and
// deflating it costs most of an archive's time for nothing, so such entries
// are stored. The sample is deflated quickly at the lowest level: when that
// saves less than about one percent, the data counts as incompressible.
bool LooksCompressible(const char* sample, size_t size);

} // namespace ferrolet
