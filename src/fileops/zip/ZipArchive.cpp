#include "fileops/zip/ZipArchive.h"

#include "fileops/zip/ZipCompressibility.h"
#include "fileops/zip/ZipTopNames.h"
#include "fileops/zip/ZipWriter.h"
#include "items/ItemAccess.h"
#include "items/ScopedFd.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

// Read size of the file stream; also the sample that decides whether a file
// is deflated or stored.
constexpr size_t kBufferBytes = 256 * 1024;
// How often a watching progress sink hears from us.
constexpr uint64_t kProgressStepBytes = 4 * 1024 * 1024;

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class ArchiveWalk {
public:
    ArchiveWalk(ZipWriter& writer, const ProgressSink* progress)
        : m_writer(writer), m_progress(progress), m_buffer(kBufferBytes) {}

    // Adds folderFd's entry name as archiveName (a folder's contents go under
    // archiveName + "/"; an empty archiveName puts them at the top).
    Status AddEntry(int folderFd, const std::string& name, const std::string& archiveName,
                    const struct stat& st);

    Status AddFolderContents(int folderFd, const std::string& prefix);

    // The sum of the regular-file sizes below folderFd, for progress.
    static uint64_t TotalBytes(int folderFd, dev_t device);

    dev_t m_topDevice = 0;
    // The entry whose reading failed the archive, as its path inside the
    // archive: the deepest one, so the user learns which file it was.
    std::string m_failedEntry;

private:
    Status AddFile(int folderFd, const std::string& name, const std::string& archiveName,
                   const struct stat& st);
    Status AddLink(int folderFd, const std::string& name, const std::string& archiveName,
                   const struct stat& st);
    Status Advance(size_t bytes);

    ZipWriter& m_writer;
    const ProgressSink* m_progress;
    std::vector<char> m_buffer;
    uint64_t m_done = 0;
    uint64_t m_lastReported = 0;
};

Status ArchiveWalk::Advance(size_t bytes) {
    m_done += bytes;
    if (!m_progress || !m_progress->advanced || m_done - m_lastReported < kProgressStepBytes) {
        return 0;
    }
    m_lastReported = m_done;
    return m_progress->advanced(m_done) ? 0 : ECANCELED;
}

Status ArchiveWalk::AddFile(int folderFd, const std::string& name, const std::string& archiveName,
                            const struct stat& st) {
    // O_NONBLOCK: should the entry have been swapped for a FIFO since it was
    // examined, opening it must not wait for a writer.
    ScopedFd fd(openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat opened {};
    if (fstat(fd.Get(), &opened) != 0) {
        return LastErrnoStatus();
    }
    if (!SameInode(opened, st) || !S_ISREG(opened.st_mode)) {
        return EBUSY;
    }
    posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    // Exactly the size announced in the header is stored: bytes appended
    // meanwhile wait for the next archive, a file that shrank fails it.
    auto remaining = static_cast<uint64_t>(st.st_size);
    bool headerWritten = false;
    while (!headerWritten || remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, m_buffer.size()));
        size_t got = 0;
        while (got < want) {
            const ssize_t n = read(fd.Get(), m_buffer.data() + got, want - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return LastErrnoStatus();
            }
            if (n == 0) {
                return EBUSY;
            }
            got += static_cast<size_t>(n);
        }
        if (!headerWritten) {
            const Status status =
                m_writer.BeginFile(archiveName, st, LooksCompressible(m_buffer.data(), got));
            if (status != 0) {
                return status;
            }
            headerWritten = true;
        }
        if (Status status = m_writer.WriteData(m_buffer.data(), got); status != 0) {
            return status;
        }
        remaining -= got;
        if (Status status = Advance(got); status != 0) {
            return status;
        }
    }
    return 0;
}

Status ArchiveWalk::AddLink(int folderFd, const std::string& name, const std::string& archiveName,
                            const struct stat& st) {
    std::string target(static_cast<size_t>(std::max<off_t>(st.st_size, 0)) + 1, '\0');
    for (;;) {
        const ssize_t n = readlinkat(folderFd, name.c_str(), target.data(), target.size());
        if (n < 0) {
            return LastErrnoStatus();
        }
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            break;
        }
        target.resize(target.size() * 2); // the link changed; read it again
    }
    return m_writer.AddSymlink(archiveName, st, target);
}

Status ArchiveWalk::AddEntry(int folderFd, const std::string& name, const std::string& archiveName,
                             const struct stat& st) {
    if (S_ISREG(st.st_mode)) {
        return AddFile(folderFd, name, archiveName, st);
    }
    if (S_ISLNK(st.st_mode)) {
        return AddLink(folderFd, name, archiveName, st);
    }
    if (!S_ISDIR(st.st_mode)) {
        return 0; // FIFOs, sockets and devices hold nothing to archive
    }
    if (!archiveName.empty()) {
        if (Status status = m_writer.AddFolder(archiveName, st); status != 0) {
            return status;
        }
    }
    if (st.st_dev != m_topDevice) {
        return 0; // a mount point: the archive stays on the item's file system
    }
    ScopedFd fd(openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat opened {};
    if (fstat(fd.Get(), &opened) != 0) {
        return LastErrnoStatus();
    }
    if (!SameInode(opened, st)) {
        return EBUSY;
    }
    return AddFolderContents(fd.Get(), archiveName.empty() ? std::string() : archiveName + '/');
}

Status ArchiveWalk::AddFolderContents(int folderFd, const std::string& prefix) {
    std::vector<std::string> names;
    if (Status status = ListEntryNames(folderFd, names); status != 0) {
        return status;
    }
    // Sorted, so that the same folder always gives the same archive.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return LastErrnoStatus();
        }
        if (Status status = AddEntry(folderFd, name, prefix + name, st); status != 0) {
            if (m_failedEntry.empty()) {
                m_failedEntry = prefix + name;
            }
            return status;
        }
    }
    return 0;
}

uint64_t ArchiveWalk::TotalBytes(int folderFd, dev_t device) {
    std::vector<std::string> names;
    if (ListEntryNames(folderFd, names) != 0) {
        return 0;
    }
    uint64_t total = 0;
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode) && st.st_dev == device) {
            ScopedFd fd(
                openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.IsOpen()) {
                total += TotalBytes(fd.Get(), device);
            }
        }
    }
    return total;
}

} // namespace

namespace {

// The item as it stands now, with its folder open: the entry the folder holds
// must still be the item that was chosen.
Status OpenTopItem(const FileRef& item, ScopedFd& parent, struct stat& st) {
    if (Status status = StatItemRef(item, st); status != 0) {
        return status;
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return EINVAL;
    }
    parent = ScopedFd(open(item.ParentPath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat named {};
    if (fstatat(parent.Get(), item.Name().c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    return SameInode(named, st) ? 0 : ENOENT;
}

// The bytes the items hold, for a watching progress sink.
uint64_t TotalItemBytes(const std::vector<FileRef>& items) {
    uint64_t total = 0;
    for (const FileRef& item : items) {
        ScopedFd parent;
        struct stat st {};
        if (OpenTopItem(item, parent, st) != 0) {
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            ScopedFd fd(openat(parent.Get(), item.Name().c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.IsOpen()) {
                total += ArchiveWalk::TotalBytes(fd.Get(), st.st_dev);
            }
        }
    }
    return total;
}

} // namespace

Status WriteZipArchive(const FileRef& item, int outFd, const ProgressSink* progress,
                       std::string* failedEntry) {
    return WriteZipArchive(std::vector<FileRef>{item}, outFd, progress, failedEntry);
}

Status WriteZipArchive(const std::vector<FileRef>& items, int outFd, const ProgressSink* progress,
                       std::string* failedEntry) {
    if (items.empty()) {
        return EINVAL;
    }
    std::vector<std::string> names;
    names.reserve(items.size());
    for (const FileRef& item : items) {
        names.push_back(item.Name());
    }
    const std::vector<std::string> topNames = UniqueTopNames(names);

    ZipWriter writer;
    if (Status status = writer.Open(outFd); status != 0) {
        return status;
    }
    ArchiveWalk walk(writer, progress);
    if (progress && progress->started) {
        progress->started(items.size() == 1 ? names.front() : kSeveralItemsArchiveName,
                          TotalItemBytes(items));
    }
    for (size_t i = 0; i < items.size(); ++i) {
        // Each item's folder is opened only while it is written, so a long
        // selection holds one descriptor at a time.
        ScopedFd parent;
        struct stat st {};
        if (Status status = OpenTopItem(items[i], parent, st); status != 0) {
            if (failedEntry) {
                *failedEntry = names[i];
            }
            return status;
        }
        walk.m_topDevice = st.st_dev;
        // A folder alone gives its contents at the top, as it always has;
        // among several items every item keeps its own name.
        const bool contentsAtTop = items.size() == 1 && S_ISDIR(st.st_mode);
        const std::string topName = contentsAtTop ? std::string() : topNames[i];
        if (Status status = walk.AddEntry(parent.Get(), names[i], topName, st); status != 0) {
            if (failedEntry) {
                // Inside a folder archived alone the path lacks the folder's
                // own name; the user knows the file by it.
                *failedEntry = walk.m_failedEntry.empty() ? names[i]
                               : topName.empty()          ? names[i] + '/' + walk.m_failedEntry
                                                          : walk.m_failedEntry;
            }
            return status;
        }
    }
    return writer.Close();
}

} // namespace ferrolet
