#pragma once

#include "fileops/engine/ProgressSink.h"
#include "util/Status.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet {

// What a copy saw of one source entry before copying it. A move across file
// systems keeps this tree so that, before removing anything, it can tell
// whether the source changed while it was being copied (a file still being
// written, an entry added to a folder) and then remove exactly what it copied.
struct CopiedEntry {
    std::string name;
    mode_t mode = 0; // file type and permission bits
    uid_t owner = 0;
    dev_t device = 0;
    ino_t inode = 0;
    uint64_t size = 0;
    struct statx_timestamp mtime {};
    struct statx_timestamp ctime {};
    bool pinned = false; // immutable or append-only: cannot be removed
    std::vector<CopiedEntry> children;

    CopiedEntry() = default;
    CopiedEntry(CopiedEntry&&) noexcept = default;
    CopiedEntry& operator=(CopiedEntry&&) noexcept = default;
    CopiedEntry(const CopiedEntry&) = delete;
    CopiedEntry& operator=(const CopiedEntry&) = delete;
    // Takes the tree apart without a call per level, so that the record of
    // a tree thousands of levels deep does not exhaust the stack.
    ~CopiedEntry();
};

// Fills out with what st says of the entry name.
void RecordCopiedEntry(const struct statx& st, const std::string& name, CopiedEntry& out);

// State carried through one copy: progress reporting, the read/write buffer
// (allocated on first need and reused, so memory stays flat whatever the size
// of the files) and whether the source is recorded.
struct CopyContext {
    const ProgressSink* progress = nullptr;
    bool recordSource = false;
    uint64_t bytesDone = 0;
    uint64_t lastReported = 0;
    std::vector<char> buffer;
    // What the pair of file systems refused once is not asked again for
    // every file of a tree.
    bool cloneRefused = false;
    bool copyFileRangeRefused = false;
    bool sendfileRefused = false;

    // Counts copied bytes; false when the user cancelled.
    bool Advance(uint64_t bytes);
    // Reports the final count of an item; false when the user cancelled.
    bool Finish();
};

// Copies the entry srcName of the folder srcDir as dstName in the folder
// dstDir, never following symbolic links: regular files by reflink,
// copy_file_range or a streamed copy; folders with everything in them
// (FolderCopy.h), whatever their depth; symbolic links as
// links; FIFOs, sockets and devices re-created, never opened. Mode, owner
// (where allowed), times to the nanosecond and extended attributes are kept.
// dstName must not exist. *created tells whether dstName was made, so that
// the caller can remove a partial copy without touching anything it did not
// make. With context.recordSource, *record receives what was copied.
Status CopyEntryAt(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName,
                   CopyContext& context, CopiedEntry* record, bool* created);

// CopyEntryAt for an entry that is not a folder, already looked at (st).
Status CopyNonFolderAt(int srcDir, const std::string& srcName, int dstDir,
                       const std::string& dstName, const struct statx& st, CopyContext& context,
                       bool* created);

// The bytes of regular files in the entry (a folder counts its whole tree;
// TreeSize.h).
uint64_t EntrySizeAt(int dir, const std::string& name);

// statx of a name in a folder without following a final symbolic link.
Status StatxAt(int dir, const std::string& name, struct statx& out);

} // namespace ferrolet
