#include "fileops/zip/ZipCompressibility.h"

#include <zlib.h>

#include <vector>

namespace ferrolet {

namespace {

// Samples this small say little, and storing them saves nothing.
constexpr size_t kSmallestJudgedSample = 512;
// Deflate must save at least 1/kWorthwhileFraction of the sample.
constexpr size_t kWorthwhileFraction = 100;

} // namespace

bool LooksCompressible(const char* sample, size_t size) {
    if (size < kSmallestJudgedSample) {
        return true;
    }
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return true;
    }
    thread_local std::vector<unsigned char> out;
    out.resize(deflateBound(&stream, size));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(sample));
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    const size_t compressed = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return true;
    }
    return compressed + size / kWorthwhileFraction < size;
}

} // namespace ferrolet
