#pragma once

#include "fileops/zip/ZipPiece.h"
#include "util/Status.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace ferrolet {

// Threads that deflate and sum the pieces handed to them, one per core (at
// least two). They only touch the pieces' memory, never a file, so stopping
// them is quick: the destructor wakes and joins every one, with pieces
// still waiting left undone.
class ZipCompressors {
public:
    ZipCompressors() = default;
    ~ZipCompressors();
    ZipCompressors(const ZipCompressors&) = delete;
    ZipCompressors& operator=(const ZipCompressors&) = delete;

    // Starts the threads: EAGAIN when the system has none to give.
    Status Start();
    // How many threads run.
    size_t Count() const { return m_threads.size(); }
    // Queues a piece; it stays the caller's and must outlive its work.
    void Submit(ZipPiece* piece);
    // Whether the piece is done, after waiting for it when wait is set.
    bool Done(const ZipPiece* piece, bool wait);

private:
    void Work();

    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_finished;
    std::deque<ZipPiece*> m_waiting;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// Deflates (or only sums) piece in place with stream, a raw deflate stream
// at level 6 that the caller reuses from piece to piece.
void CompressPiece(struct z_stream_s& stream, ZipPiece& piece);

} // namespace ferrolet
