#pragma once

#include "fileops/zip/ZipCompressors.h"
#include "fileops/zip/ZipPiece.h"
#include "fileops/zip/ZipRecords.h"
#include "util/Status.h"

#include <deque>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet {

// A zip archive being written to an open file: deflate (level 6) or stored
// entries, Unix modes, owners and times kept, zip64 only where an entry, an
// offset or the count passes the classic fields' limits.
//
// The caller adds entries one after the other; a file's data comes in
// blocks. Blocks are deflated on every core (ZipCompressors) while the
// caller reads the next ones, and written in the order they were added, so
// the archive is the same whatever thread finished first. A few blocks are
// in flight at a time, which bounds the memory. A file's local header is
// written before its data and its CRC and sizes filled in afterwards, so the
// output must be a file that takes pwrite (or /dev/null).
//
// Every call after a failure fails too, with the first failure's status;
// the caller discards the file.
class ZipWriter {
public:
    // The most a block holds: the unit of reading, deflating and writing.
    static constexpr size_t kBlockBytes = 128 * 1024;

    ZipWriter() = default;
    ~ZipWriter() = default; // stops the compressors before the pieces go
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts the archive on fd, which stays the caller's to close.
    Status Open(int fd);

    // A folder entry ("name/").
    Status AddFolder(const std::string& name, const struct stat& st);
    // A symbolic link stored as a link to target.
    Status AddSymlink(const std::string& name, const struct stat& st, const std::string& target);
    // A regular file of st.st_size bytes, which follow in blocks: NextBlock
    // for the room of each, CommitBlock once it is filled. An empty file
    // takes one empty block.
    Status BeginFile(const std::string& name, const struct stat& st);
    // Room for the next size bytes of the file (at most kBlockBytes).
    char* NextBlock(size_t size);
    Status CommitBlock();

    // Writes what is still in flight and the central directory. The archive
    // is complete only when this succeeds.
    Status Close();

private:
    Status Fail(Status status);
    std::unique_ptr<ZipPiece> TakePiece();
    Status AddWithoutData(ZipEntryRecord record, const std::string& data);
    Status Enqueue(std::unique_ptr<ZipPiece> piece, bool needsWork);
    Status WriteFinished(size_t keepInFlight);
    void KeepWindow(const std::vector<char>& input);
    Status WritePiece(const ZipPiece& piece);
    Status FillInLocalHeader(const ZipEntryRecord& record);
    Status Overwrite(uint64_t offset, const std::string& bytes);
    Status Emit(const char* data, size_t size);
    Status Flush();

    int m_fd = -1;
    size_t m_maxInFlight = 0;
    Status m_failed = 0;
    uint64_t m_offset = 0; // bytes of archive so far, written or buffered
    std::string m_buffer;  // archive bytes not written yet
    std::vector<ZipEntryRecord> m_entries;
    // The file being added: its bytes still to come, whether its blocks are
    // deflated, and the last 32 KiB so far (the next block's dictionary).
    uint64_t m_fileLeft = 0;
    bool m_fileCompress = false;
    bool m_fileStarted = false;
    std::vector<char> m_window;
    std::unique_ptr<ZipPiece> m_filling;
    std::deque<std::unique_ptr<ZipPiece>> m_inFlight; // in archive order
    std::vector<std::unique_ptr<ZipPiece>> m_spare;
    // Last, so that its threads are stopped before the pieces they work on
    // are freed.
    ZipCompressors m_compressors;
};

} // namespace ferrolet
