#include "fileops/zip/ZipArchive.h"

#include "fileops/engine/FolderTrail.h"
#include "fileops/engine/TreeSize.h"
#include "fileops/zip/ZipTopNames.h"
#include "fileops/zip/ZipWriter.h"
#include "items/ItemAccess.h"
#include "items/ScopedFd.h"
#include "util/Files.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

// How often a watching progress sink hears from us.
constexpr uint64_t kProgressStepBytes = 4 * 1024 * 1024;

// Reads size bytes; a file that ends sooner has shrunk since it was examined.
Status ReadExactly(int fd, char* data, size_t size) {
    const ssize_t got = ReadFully(fd, data, size);
    if (got < 0) {
        return LastErrnoStatus();
    }
    return static_cast<size_t>(got) == size ? 0 : EBUSY;
}

class ArchiveWalk {
public:
    ArchiveWalk(ZipWriter& writer, const ProgressSink* progress)
        : m_writer(writer), m_progress(progress) {}

    // Adds folderFd's entry name as archiveName (a folder's contents go under
    // archiveName + "/"; an empty archiveName puts them at the top).
    Status AddEntry(int folderFd, const std::string& name, const std::string& archiveName,
                    const struct stat& st);

    dev_t m_topDevice = 0;
    // The entry whose reading failed the archive, as its path inside the
    // archive: the deepest one, so the user learns which file it was.
    std::string m_failedEntry;

private:
    // A folder entry being archived: its sorted entry names, how many are
    // done, and the length of the archive path of the folder above it.
    struct Level {
        std::vector<std::string> names;
        size_t next = 0;
        size_t parentPathLength = 0;
    };

    Status AddFolderTree(int parentFd, const std::string& name, const std::string& archivePath,
                         const struct stat& st);
    Status EnterFolder(FolderTrail& trail, const std::string& name, const struct stat& st,
                       size_t parentPathLength);
    Status AddNextEntry(FolderTrail& trail);
    Status AddFile(int folderFd, const std::string& name, const std::string& archiveName,
                   const struct stat& st);
    Status AddLink(int folderFd, const std::string& name, const std::string& archiveName,
                   const struct stat& st);
    Status Advance(size_t bytes);

    ZipWriter& m_writer;
    const ProgressSink* m_progress;
    uint64_t m_done = 0;
    uint64_t m_lastReported = 0;
    // The archive path of the folder being walked ("a/b/"): one string that
    // grows and shrinks with the walk, never a copy per level.
    std::string m_path;
    std::vector<Level> m_levels;
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
    if (Status status = m_writer.BeginFile(archiveName, st); status != 0) {
        return status;
    }
    // Exactly the size announced in the header is stored: bytes appended
    // meanwhile wait for the next archive, a file that shrank fails it.
    auto remaining = static_cast<uint64_t>(st.st_size);
    do {
        const auto want =
            static_cast<size_t>(std::min<uint64_t>(remaining, ZipWriter::kBlockBytes));
        if (Status status = ReadExactly(fd.Get(), m_writer.NextBlock(want), want); status != 0) {
            return status;
        }
        if (Status status = m_writer.CommitBlock(); status != 0) {
            return status;
        }
        remaining -= want;
        if (Status status = Advance(want); status != 0) {
            return status;
        }
    } while (remaining > 0);
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
    return AddFolderTree(folderFd, name, archiveName.empty() ? archiveName : archiveName + '/', st);
}

// The folder and everything below it, in name order, walked with a few
// descriptors and one path string whatever the depth of the tree.
Status ArchiveWalk::AddFolderTree(int parentFd, const std::string& name,
                                  const std::string& archivePath, const struct stat& st) {
    FolderTrail trail(parentFd, O_RDONLY);
    m_path = archivePath;
    m_levels.clear();
    if (Status status = EnterFolder(trail, name, st, m_path.size()); status != 0) {
        return status;
    }
    while (!m_levels.empty()) {
        if (m_levels.back().next < m_levels.back().names.size()) {
            if (Status status = AddNextEntry(trail); status != 0) {
                return status;
            }
            continue;
        }
        const size_t parentPathLength = m_levels.back().parentPathLength;
        m_levels.pop_back();
        if (Status status = trail.Ascend(); status != 0) {
            if (m_failedEntry.empty() && !m_path.empty()) {
                m_failedEntry = m_path.substr(0, m_path.size() - 1); // the folder left
            }
            return status;
        }
        m_path.resize(parentPathLength);
    }
    return 0;
}

// Enters the folder and lists it; m_path already ends in its archive path,
// and goes back to parentPathLength bytes when the walk leaves it.
Status ArchiveWalk::EnterFolder(FolderTrail& trail, const std::string& name, const struct stat& st,
                                size_t parentPathLength) {
    if (Status status = trail.Descend(name, st.st_dev, st.st_ino); status != 0) {
        return status;
    }
    Level level{{}, 0, parentPathLength};
    if (Status status = ListEntryNames(trail.Fd(), level.names); status != 0) {
        return status;
    }
    // Sorted, so that the same folder always gives the same archive.
    std::sort(level.names.begin(), level.names.end());
    m_levels.push_back(std::move(level));
    return 0;
}

// The next entry of the deepest folder, named by m_path extended in place
// (no new string per entry, whose growing sizes would only fragment the
// heap). A folder is entered, with m_path ending in its archive path.
Status ArchiveWalk::AddNextEntry(FolderTrail& trail) {
    Level& level = m_levels.back();
    const std::string name = level.names[level.next++];
    const size_t parentPathLength = m_path.size();
    m_path += name;
    struct stat st {};
    Status status = 0;
    if (fstatat(trail.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        status = LastErrnoStatus();
    } else if (!S_ISDIR(st.st_mode)) {
        status = AddEntry(trail.Fd(), name, m_path, st);
    } else {
        m_path += '/';
        status = m_writer.AddFolder(m_path, st);
        if (status == 0 && st.st_dev == m_topDevice) {
            status = EnterFolder(trail, name, st, parentPathLength);
            if (status == 0) {
                return 0;
            }
        }
    }
    if (status != 0 && m_failedEntry.empty()) {
        m_failedEntry = m_path;
        if (m_failedEntry.ends_with('/')) {
            m_failedEntry.pop_back();
        }
    }
    m_path.resize(parentPathLength);
    return status;
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
            total += TreeBytesAt(parent.Get(), item.Name(), true);
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
