#include "fileops/zip/ZipCompressors.h"

#include "fileops/zip/ZipCompressibility.h"

#include <algorithm>
#include <sched.h>
#include <system_error>
#include <zlib.h>

namespace ferrolet {

namespace {

// Info-ZIP's `zip -6` and zlib's default: the same size as the archives
// users make by hand, at half the time of the highest levels.
constexpr int kDeflateLevel = 6;
constexpr int kMemoryLevel = 8;
// The start of a one-block entry that judges whether it is worth deflating.
constexpr size_t kWholeEntrySample = 16 * 1024;

unsigned CoreCount() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    const int count = sched_getaffinity(0, sizeof(cores), &cores) == 0 ? CPU_COUNT(&cores) : 0;
    // The walk reads and writes while they deflate: two keep one core busy
    // deflating even on a single core's wait for the disk.
    return count > 2 ? static_cast<unsigned>(count) : 2;
}

// Deflates the input into output, growing output should the bound be short.
Status Deflate(z_stream& stream, ZipPiece& piece) {
    if (deflateReset(&stream) != Z_OK) {
        return ENOMEM;
    }
    if (!piece.window.empty() &&
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(piece.window.data()),
                             static_cast<uInt>(piece.window.size())) != Z_OK) {
        return ENOMEM;
    }
    // A block that is not the last ends on a byte boundary without the final
    // bit, so the blocks joined are one deflate stream.
    const int flush = piece.last ? Z_FINISH : Z_SYNC_FLUSH;
    piece.output.resize(deflateBound(&stream, piece.input.size()) + 64);
    stream.next_in = reinterpret_cast<Bytef*>(piece.input.data());
    stream.avail_in = static_cast<uInt>(piece.input.size());
    size_t produced = 0;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(piece.output.data() + produced);
        stream.avail_out = static_cast<uInt>(piece.output.size() - produced);
        const int result = deflate(&stream, flush);
        produced = piece.output.size() - stream.avail_out;
        if (result == Z_STREAM_END || (result == Z_OK && flush == Z_SYNC_FLUSH &&
                                       stream.avail_in == 0 && stream.avail_out > 0)) {
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            return EIO;
        }
        piece.output.resize(piece.output.size() * 2);
    }
    piece.output.resize(produced);
    return 0;
}

} // namespace

void CompressPiece(z_stream& stream, ZipPiece& piece) {
    piece.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(piece.input.data()),
                                            static_cast<uInt>(piece.input.size())));
    piece.stored = false;
    piece.status = 0;
    if (piece.wholeEntry && piece.compress) {
        // A short sample is enough to spare photos a full deflate: should
        // deflating not shrink the entry after all, it is stored anyway.
        piece.compress =
            LooksCompressible(piece.input.data(), std::min(piece.input.size(), kWholeEntrySample));
    }
    if (!piece.compress) {
        return;
    }
    piece.status = Deflate(stream, piece);
    if (piece.status == 0 && piece.wholeEntry && piece.output.size() >= piece.input.size()) {
        piece.stored = true;
    }
}

ZipCompressors::~ZipCompressors() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_queued.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

Status ZipCompressors::Start() {
    const unsigned count = CoreCount();
    try {
        while (m_threads.size() < count) {
            m_threads.emplace_back([this] { Work(); });
        }
    } catch (const std::system_error&) {
        if (m_threads.empty()) {
            return EAGAIN; // with at least one the archive is only slower
        }
    }
    return 0;
}

void ZipCompressors::Submit(ZipPiece* piece) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting.push_back(piece);
    }
    m_queued.notify_one();
}

bool ZipCompressors::Done(const ZipPiece* piece, bool wait) {
    std::unique_lock lock(m_mutex);
    if (wait) {
        m_finished.wait(lock, [piece] { return piece->done; });
    }
    return piece->done;
}

void ZipCompressors::Work() {
    z_stream stream{};
    const bool ready = deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, kMemoryLevel,
                                    Z_DEFAULT_STRATEGY) == Z_OK;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queued.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_stopping) {
            break;
        }
        ZipPiece* piece = m_waiting.front();
        m_waiting.pop_front();
        lock.unlock();
        if (ready) {
            CompressPiece(stream, *piece);
        } else {
            piece->status = ENOMEM;
        }
        lock.lock();
        piece->done = true;
        m_finished.notify_all();
    }
    if (ready) {
        deflateEnd(&stream);
    }
}

} // namespace ferrolet
