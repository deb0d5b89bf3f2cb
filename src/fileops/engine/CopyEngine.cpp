#include "fileops/engine/CopyEngine.h"
#include "items/ItemAccess.h"

#include "fileops/engine/EntryMetadata.h"
#include "fileops/engine/FolderCopy.h"
#include "fileops/engine/TreeSize.h"
#include "items/ScopedFd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace ferrolet {

namespace {

// Progress is reported at most every megabyte, so a progress window that
// turns the event loop from the reports answers within a fraction of a second
// on slow media too. One in-kernel copy call moves up to kKernelChunk (each
// call is reported, and a cancel is noticed within it); smaller calls cost
// throughput.
constexpr uint64_t kReportEvery = 1u << 20;
constexpr size_t kKernelChunk = 4u << 20;
constexpr size_t kBufferSize = 1u << 20;

} // namespace

void RecordCopiedEntry(const struct statx& st, const std::string& name, CopiedEntry& out) {
    out.name = name;
    out.mode = st.stx_mode;
    out.owner = st.stx_uid;
    out.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    out.inode = st.stx_ino;
    out.size = st.stx_size;
    out.mtime = st.stx_mtime;
    out.ctime = st.stx_ctime;
    const uint64_t pins = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    out.pinned = (st.stx_attributes & st.stx_attributes_mask & pins) != 0;
}

CopiedEntry::~CopiedEntry() {
    std::vector<CopiedEntry> pending = std::move(children);
    while (!pending.empty()) {
        CopiedEntry last = std::move(pending.back());
        pending.pop_back();
        // Its children leave with their own children moved out: each one's
        // destructor then finds nothing below it.
        for (CopiedEntry& child : last.children) {
            pending.push_back(std::move(child));
        }
    }
}

namespace {

bool SameInode(const struct statx& st, const struct stat& opened) {
    return makedev(st.stx_dev_major, st.stx_dev_minor) == opened.st_dev &&
           st.stx_ino == opened.st_ino;
}

bool Retryable(int e) {
    return e == EINTR || e == EAGAIN;
}

// The kernel copies without bringing data to user space; both calls give up
// (returning false in *unsupported) when the pair of files does not allow it.
Status KernelCopy(int in, int out, bool useCopyFileRange, CopyContext& context, bool* unsupported,
                  uint64_t* copied) {
    *unsupported = false;
    for (;;) {
        const ssize_t n = useCopyFileRange
                              ? copy_file_range(in, nullptr, out, nullptr, kKernelChunk, 0)
                              : sendfile(out, in, nullptr, kKernelChunk);
        if (n < 0) {
            if (Retryable(errno)) {
                continue;
            }
            if (*copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                 errno == EOPNOTSUPP || errno == EBADF)) {
                *unsupported = true;
                return 0;
            }
            return LastErrnoStatus();
        }
        if (n == 0) {
            return 0;
        }
        *copied += static_cast<uint64_t>(n);
        if (!context.Advance(static_cast<uint64_t>(n))) {
            return ECANCELED;
        }
    }
}

Status StreamCopy(int in, int out, CopyContext& context) {
    if (context.buffer.size() < kBufferSize) {
        context.buffer.resize(kBufferSize);
    }
    for (;;) {
        const ssize_t n = read(in, context.buffer.data(), context.buffer.size());
        if (n < 0) {
            if (Retryable(errno)) {
                continue;
            }
            return LastErrnoStatus();
        }
        if (n == 0) {
            return 0;
        }
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = write(out, context.buffer.data() + written, n - written);
            if (w < 0) {
                if (Retryable(errno)) {
                    continue;
                }
                return LastErrnoStatus();
            }
            written += w;
        }
        if (!context.Advance(static_cast<uint64_t>(n))) {
            return ECANCELED;
        }
    }
}

// A reflink shares the blocks at once where the file system allows it; then
// copy_file_range (which may itself share blocks or copy on the server), then
// sendfile, and last a plain read/write through the context's buffer.
Status CopyData(int in, int out, uint64_t size, CopyContext& context) {
    if (size > 0 && !context.cloneRefused) {
        if (ioctl(out, FICLONE, in) == 0) {
            return context.Advance(size) ? 0 : ECANCELED;
        }
        context.cloneRefused = errno == EXDEV || errno == EOPNOTSUPP || errno == ENOTTY;
    }
    for (const bool useCopyFileRange : {true, false}) {
        bool& refused = useCopyFileRange ? context.copyFileRangeRefused : context.sendfileRefused;
        if (refused) {
            continue;
        }
        bool unsupported = false;
        uint64_t copied = 0;
        const Status status = KernelCopy(in, out, useCopyFileRange, context, &unsupported, &copied);
        // Some pseudo files claim a size yet give nothing to the kernel copy.
        const bool gaveNothing = copied == 0 && size > 0;
        refused = unsupported;
        if (status != 0 || (!unsupported && !gaveNothing)) {
            return status;
        }
    }
    return StreamCopy(in, out, context);
}

Status CopyRegularFile(int srcDir, const std::string& srcName, int dstDir,
                       const std::string& dstName, const struct statx& st, CopyContext& context,
                       bool* created) {
    // O_NONBLOCK: should the name have become a FIFO since it was looked at,
    // opening it must not wait for a writer.
    ScopedFd in(openat(srcDir, srcName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!in.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat opened {};
    if (fstat(in.Get(), &opened) != 0) {
        return LastErrnoStatus();
    }
    if (!S_ISREG(opened.st_mode) || !SameInode(st, opened)) {
        return EBUSY; // replaced while we looked: the caller tries again later
    }
    ScopedFd out(openat(dstDir, dstName.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.IsOpen()) {
        return LastErrnoStatus();
    }
    *created = true;
    if (Status status = CopyData(in.Get(), out.Get(), st.stx_size, context); status != 0) {
        return status;
    }
    if (Status status = CopyExtendedAttributes(in.Get(), out.Get()); status != 0) {
        return status;
    }
    return ApplyMetadata(out.Get(), st);
}

Status CopyLink(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName,
                const struct statx& st, bool* created) {
    std::string target(st.stx_size > 0 ? st.stx_size + 1 : 256, '\0');
    for (;;) {
        const ssize_t n = readlinkat(srcDir, srcName.c_str(), target.data(), target.size());
        if (n < 0) {
            return LastErrnoStatus();
        }
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            break;
        }
        target.resize(target.size() * 2); // grew since it was looked at
    }
    if (symlinkat(target.c_str(), dstDir, dstName.c_str()) != 0) {
        return LastErrnoStatus();
    }
    *created = true;
    return ApplyMetadataAt(dstDir, dstName, st);
}

// FIFOs, sockets and devices are made anew; opening one to read it would
// block (a FIFO waits for a writer) or read a device's contents.
Status CopySpecial(int dstDir, const std::string& dstName, const struct statx& st, bool* created) {
    const mode_t type = st.stx_mode & S_IFMT;
    const int made = (type == S_IFIFO) ? mkfifoat(dstDir, dstName.c_str(), 0600)
                                       : mknodat(dstDir, dstName.c_str(), type | 0600,
                                                 makedev(st.stx_rdev_major, st.stx_rdev_minor));
    if (made != 0) {
        return LastErrnoStatus();
    }
    *created = true;
    return ApplyMetadataAt(dstDir, dstName, st);
}

} // namespace

bool CopyContext::Advance(uint64_t bytes) {
    bytesDone += bytes;
    if (bytesDone - lastReported < kReportEvery) {
        return true;
    }
    lastReported = bytesDone;
    return !progress || !progress->advanced || progress->advanced(bytesDone);
}

bool CopyContext::Finish() {
    lastReported = bytesDone;
    return !progress || !progress->advanced || progress->advanced(bytesDone);
}

Status StatxAt(int dir, const std::string& name, struct statx& out) {
    if (statx(dir, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &out) !=
        0) {
        return LastErrnoStatus();
    }
    return 0;
}

Status CopyNonFolderAt(int srcDir, const std::string& srcName, int dstDir,
                       const std::string& dstName, const struct statx& st, CopyContext& context,
                       bool* created) {
    switch (st.stx_mode & S_IFMT) {
    case S_IFREG:
        return CopyRegularFile(srcDir, srcName, dstDir, dstName, st, context, created);
    case S_IFLNK:
        return CopyLink(srcDir, srcName, dstDir, dstName, st, created);
    default:
        return CopySpecial(dstDir, dstName, st, created);
    }
}

Status CopyEntryAt(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName,
                   CopyContext& context, CopiedEntry* record, bool* created) {
    *created = false;
    struct statx st {};
    if (Status status = StatxAt(srcDir, srcName, st); status != 0) {
        return status;
    }
    // Recorded before anything is read, so that any later change shows.
    if (record && context.recordSource) {
        RecordCopiedEntry(st, srcName, *record);
    }
    if (S_ISDIR(st.stx_mode)) {
        return CopyFolderTree(srcDir, srcName, dstDir, dstName, st, context,
                              context.recordSource ? record : nullptr, created);
    }
    return CopyNonFolderAt(srcDir, srcName, dstDir, dstName, st, context, created);
}

uint64_t EntrySizeAt(int dir, const std::string& name) {
    return TreeBytesAt(dir, name);
}

} // namespace ferrolet
