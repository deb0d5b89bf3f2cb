#include "fileops/zip/ZipWriter.h"

#include "fileops/zip/ZipCompressibility.h"
#include "util/Files.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <zlib.h>

namespace ferrolet {

namespace {

// Archive bytes are gathered up to this much before a write.
constexpr size_t kFlushBytes = 256 * 1024;
// Deflate's window: each block is primed with this much of what came before.
constexpr size_t kWindowBytes = 32 * 1024;
// Blocks in flight per compressor thread: enough that no thread waits for
// the walk, few enough that memory stays a few MiB.
constexpr size_t kInFlightPerThread = 3;
// Files from this size on carry zip64 sizes in their local header, which is
// written before their data: deflating never adds 16 MiB to 4 GiB.
constexpr uint64_t kZip64LocalFrom = 0xFF000000;
constexpr uint16_t kDeflated = 8;

} // namespace

Status ZipWriter::Fail(Status status) {
    if (m_failed == 0) {
        m_failed = status != 0 ? status : EIO;
    }
    return m_failed;
}

Status ZipWriter::Open(int fd) {
    m_fd = fd;
    m_buffer.reserve(kFlushBytes);
    if (Status status = m_compressors.Start(); status != 0) {
        return Fail(status);
    }
    m_maxInFlight = kInFlightPerThread * m_compressors.Count();
    return 0;
}

std::unique_ptr<ZipPiece> ZipWriter::TakePiece() {
    if (m_spare.empty()) {
        return std::make_unique<ZipPiece>();
    }
    std::unique_ptr<ZipPiece> piece = std::move(m_spare.back());
    m_spare.pop_back();
    // The buffers keep their memory for the next block.
    piece->input.clear();
    piece->window.clear();
    piece->output.clear();
    piece->first = piece->last = piece->compress = piece->wholeEntry = false;
    piece->crc = 0;
    piece->stored = false;
    piece->status = 0;
    piece->done = false;
    return piece;
}

Status ZipWriter::AddWithoutData(ZipEntryRecord record, const std::string& data) {
    if (m_failed != 0 || m_filling || m_fileLeft > 0) {
        return Fail(m_failed != 0 ? m_failed : EINVAL);
    }
    record.folderOrLink = true;
    record.size = data.size();
    m_entries.push_back(std::move(record));
    std::unique_ptr<ZipPiece> piece = TakePiece();
    piece->entry = m_entries.size() - 1;
    piece->first = piece->last = true;
    piece->input.assign(data.begin(), data.end());
    piece->crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    return Enqueue(std::move(piece), false);
}

Status ZipWriter::AddFolder(const std::string& name, const struct stat& st) {
    return AddWithoutData(MakeEntryRecord(name.ends_with('/') ? name : name + '/', st), {});
}

Status ZipWriter::AddSymlink(const std::string& name, const struct stat& st,
                             const std::string& target) {
    return AddWithoutData(MakeEntryRecord(name, st), target);
}

Status ZipWriter::BeginFile(const std::string& name, const struct stat& st) {
    if (m_failed != 0 || m_filling || m_fileLeft > 0) {
        return Fail(m_failed != 0 ? m_failed : EINVAL);
    }
    ZipEntryRecord record = MakeEntryRecord(name, st);
    record.size = static_cast<uint64_t>(std::max<off_t>(st.st_size, 0));
    record.zip64Local = record.size >= kZip64LocalFrom;
    m_fileLeft = record.size;
    m_fileStarted = false;
    m_window.clear();
    m_entries.push_back(std::move(record));
    return 0;
}

char* ZipWriter::NextBlock(size_t size) {
    if (!m_filling) {
        m_filling = TakePiece();
    }
    m_filling->input.resize(size);
    return m_filling->input.data();
}

void ZipWriter::KeepWindow(const std::vector<char>& input) {
    if (input.size() >= kWindowBytes) {
        m_window.assign(input.end() - kWindowBytes, input.end());
        return;
    }
    m_window.insert(m_window.end(), input.begin(), input.end());
    if (m_window.size() > kWindowBytes) {
        m_window.erase(m_window.begin(), m_window.end() - kWindowBytes);
    }
}

Status ZipWriter::CommitBlock() {
    if (m_failed != 0 || !m_filling || m_filling->input.size() > m_fileLeft ||
        (m_fileStarted && m_filling->input.empty())) {
        return Fail(m_failed != 0 ? m_failed : EINVAL);
    }
    std::unique_ptr<ZipPiece> piece = std::move(m_filling);
    piece->entry = m_entries.size() - 1;
    piece->first = !m_fileStarted;
    m_fileLeft -= piece->input.size();
    piece->last = m_fileLeft == 0;
    if (piece->first) {
        // A file of one block is judged by its compressor; a bigger one by
        // its first block here, since its later blocks follow at once.
        piece->wholeEntry = piece->last;
        m_fileCompress =
            piece->wholeEntry || LooksCompressible(piece->input.data(), piece->input.size());
        m_fileStarted = true;
    }
    piece->compress = m_fileCompress;
    if (m_fileCompress && !piece->last) {
        piece->window = m_window;
        KeepWindow(piece->input);
    } else if (m_fileCompress) {
        piece->window.swap(m_window);
    }
    return Enqueue(std::move(piece), true);
}

Status ZipWriter::Enqueue(std::unique_ptr<ZipPiece> piece, bool needsWork) {
    ZipPiece* queued = piece.get();
    queued->done = !needsWork;
    m_inFlight.push_back(std::move(piece));
    if (needsWork) {
        m_compressors.Submit(queued);
    }
    return WriteFinished(m_maxInFlight);
}

// Writes the pieces at the front that are done, waiting for them while more
// than keepInFlight are in flight.
Status ZipWriter::WriteFinished(size_t keepInFlight) {
    while (!m_inFlight.empty()) {
        const bool wait = m_inFlight.size() > keepInFlight;
        if (!m_compressors.Done(m_inFlight.front().get(), wait)) {
            break;
        }
        std::unique_ptr<ZipPiece> piece = std::move(m_inFlight.front());
        m_inFlight.pop_front();
        const Status status = WritePiece(*piece);
        m_spare.push_back(std::move(piece));
        if (status != 0) {
            return Fail(status);
        }
    }
    return 0;
}

Status ZipWriter::WritePiece(const ZipPiece& piece) {
    if (piece.status != 0) {
        return piece.status;
    }
    ZipEntryRecord& record = m_entries[piece.entry];
    const std::vector<char>& bytes = piece.Bytes();
    if (piece.first) {
        // A file of one block is complete here; a bigger one's header gets
        // its CRC and sizes once its last block is written.
        record.method = piece.compress && !piece.stored ? kDeflated : 0;
        record.headerOffset = m_offset;
        record.crc = piece.crc;
        record.compressedSize = bytes.size();
        std::string header;
        AppendLocalHeader(header, record);
        if (Status status = Emit(header.data(), header.size()); status != 0) {
            return status;
        }
    } else {
        record.crc = static_cast<uint32_t>(
            crc32_combine(record.crc, piece.crc, static_cast<z_off_t>(piece.input.size())));
        record.compressedSize += bytes.size();
    }
    if (Status status = Emit(bytes.data(), bytes.size()); status != 0) {
        return status;
    }
    if (piece.last && !piece.first) {
        return FillInLocalHeader(record);
    }
    return 0;
}

Status ZipWriter::FillInLocalHeader(const ZipEntryRecord& record) {
    if (!record.zip64Local && record.compressedSize >= kZip64LocalFrom) {
        return EFBIG; // the local header has no room for this size
    }
    if (Status status = Overwrite(record.headerOffset + kLocalCrcOffset, LocalCrcAndSizes(record));
        status != 0) {
        return status;
    }
    if (!record.zip64Local) {
        return 0;
    }
    return Overwrite(record.headerOffset + LocalZip64SizesOffset(record), LocalZip64Sizes(record));
}

// Replaces archive bytes at offset, in the buffer while they are still there.
Status ZipWriter::Overwrite(uint64_t offset, const std::string& bytes) {
    const uint64_t buffered = m_offset - m_buffer.size();
    if (offset >= buffered) {
        std::memcpy(m_buffer.data() + (offset - buffered), bytes.data(), bytes.size());
        return 0;
    }
    if (Status status = Flush(); status != 0) {
        return status;
    }
    return WriteAll(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
}

Status ZipWriter::Emit(const char* data, size_t size) {
    if (m_buffer.size() + size > kFlushBytes) {
        if (Status status = Flush(); status != 0) {
            return status;
        }
    }
    m_offset += size;
    if (size >= kFlushBytes) {
        return WriteAll(m_fd, data, size);
    }
    m_buffer.append(data, size);
    return 0;
}

Status ZipWriter::Flush() {
    const Status status = WriteAll(m_fd, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return status;
}

Status ZipWriter::Close() {
    if (m_failed != 0 || m_filling || m_fileLeft > 0) {
        return Fail(m_failed != 0 ? m_failed : EINVAL);
    }
    if (Status status = WriteFinished(0); status != 0) {
        return status;
    }
    const uint64_t centralOffset = m_offset;
    std::string record;
    for (const ZipEntryRecord& entry : m_entries) {
        record.clear();
        AppendCentralRecord(record, entry);
        if (Status status = Emit(record.data(), record.size()); status != 0) {
            return Fail(status);
        }
    }
    record.clear();
    AppendEndRecords(record, m_entries.size(), centralOffset, m_offset - centralOffset);
    if (Status status = Emit(record.data(), record.size()); status != 0) {
        return Fail(status);
    }
    if (Status status = Flush(); status != 0) {
        return Fail(status);
    }
    return 0;
}

} // namespace ferrolet
