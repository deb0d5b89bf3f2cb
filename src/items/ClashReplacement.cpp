#include "items/ClashReplacement.h"

#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {
void LogUnlinkError(Status status) {
    const int error = status;
    Log(QStringLiteral("unlink error: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
}

// Whether the folder entry (a folder, not followed if a link) holds anything.
// A folder we cannot read is treated as not empty: nothing we cannot see
// into is set aside for deletion.
Status CheckFolderEmpty(int parentFd, const std::string& name) {
    const int fd =
        ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return LastErrnoStatus();
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return LastErrnoStatus();
    }
    Status status = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            status = ENOTEMPTY;
            break;
        }
    }
    ::closedir(dir);
    return status;
}

// Renames within one folder without replacing anything. File systems that
// cannot promise that (RENAME_NOREPLACE unsupported) get a look first, and
// for items other than folders a link and unlink, which never replaces.
Status RenameNoReplace(int fd, const std::string& from, const std::string& to, bool isFolder) {
    if (::renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastErrnoStatus();
    }
    if (!isFolder) {
        if (::linkat(fd, from.c_str(), fd, to.c_str(), 0) != 0) {
            return LastErrnoStatus();
        }
        ::unlinkat(fd, from.c_str(), 0);
        return 0;
    }
    struct stat st {};
    if (::fstatat(fd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(fd, from.c_str(), fd, to.c_str()) == 0 ? 0 : LastErrnoStatus();
}
} // namespace

ClashReplacement::ClashReplacement(ClashReplacement&& other) noexcept {
    *this = std::move(other);
}

ClashReplacement& ClashReplacement::operator=(ClashReplacement&& other) noexcept {
    if (this != &other) {
        if (IsActive()) {
            Rollback();
        }
        m_folder = std::move(other.m_folder);
        m_folderPath = std::move(other.m_folderPath);
        m_name = std::move(other.m_name);
        m_asideName = std::move(other.m_asideName);
        m_device = other.m_device;
        m_inode = other.m_inode;
        m_isFolder = other.m_isFolder;
        other.Clear();
    }
    return *this;
}

ClashReplacement::~ClashReplacement() {
    if (IsActive()) {
        Rollback();
    }
}

void ClashReplacement::Clear() {
    m_folder.Reset();
    m_folderPath.clear();
    m_name.clear();
    m_asideName.clear();
    m_device = 0;
    m_inode = 0;
    m_isFolder = false;
}

Status ClashReplacement::SetAside(const FileRef& folder, const std::string& name) {
    if (IsActive()) {
        return EINVAL;
    }
    ScopedFd fd;
    struct stat st {};
    if (const Status status = StatEntryInFolder(folder, name, fd, st); status != 0) {
        return status;
    }
    const bool isFolder = S_ISDIR(st.st_mode);
    if (isFolder) {
        if (const Status status = CheckFolderEmpty(fd.Get(), name); status != 0) {
            return status;
        }
    }
    const std::string aside = ".ferrolet-replaced-" + NewUUIDString();
    if (const Status status = RenameNoReplace(fd.Get(), name, aside, isFolder); status != 0) {
        return status;
    }
    m_folder = std::move(fd);
    m_folderPath = folder.Path();
    m_name = name;
    m_asideName = aside;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_isFolder = isFolder;

    // Another program may have put a different item under the name between
    // the look and the rename; that one is not ours to replace.
    struct stat moved {};
    if (::fstatat(m_folder.Get(), aside.c_str(), &moved, AT_SYMLINK_NOFOLLOW) != 0 ||
        moved.st_dev != st.st_dev || moved.st_ino != st.st_ino) {
        m_isFolder = S_ISDIR(moved.st_mode);
        Rollback();
        return EBUSY;
    }
    return 0;
}

// Removes the item set aside, only while it is still the one we set aside.
Status ClashReplacement::RemoveSetAsideItem() const {
    struct stat st {};
    if (::fstatat(m_folder.Get(), m_asideName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrnoStatus();
    }
    if (st.st_dev != m_device || st.st_ino != m_inode) {
        return EBUSY; // not the item we set aside: leave it alone
    }
    const int flags = m_isFolder ? AT_REMOVEDIR : 0;
    return ::unlinkat(m_folder.Get(), m_asideName.c_str(), flags) == 0 ? 0 : LastErrnoStatus();
}

Status ClashReplacement::Commit() {
    if (!IsActive()) {
        return 0;
    }
    const Status status = RemoveSetAsideItem();
    if (status != 0) {
        LogUnlinkError(status);
    }
    Clear();
    return status;
}

Status ClashReplacement::Rollback() {
    if (!IsActive()) {
        return 0;
    }
    const Status status = RenameNoReplace(m_folder.Get(), m_asideName, m_name, m_isFolder);
    if (status != 0) {
        Log(QStringLiteral("Could not put \"%1\" back in place; it is kept as \"%2\" in \"%3\".")
                .arg(QString::fromUtf8(m_name), QString::fromUtf8(m_asideName),
                     QString::fromUtf8(m_folderPath)));
    }
    Clear();
    return status;
}

bool RemoveClashingItem(SettingsStore& settings, const FileRef& item,
                        const FileRef& destinationFolder, ClashReplacement& replacement) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return false;
    }
    FileRef parent;
    if (GetParentFolderRef(item, parent) != 0) {
        return false;
    }
    if (!parent.IsNull() && parent.SameItem(destinationFolder)) {
        return false; // the same-named child is the item itself
    }
    return RemoveClashingItemNamed(settings, *name, item, destinationFolder, replacement);
}

bool RemoveClashingItemNamed(SettingsStore& settings, const std::string& name, const FileRef& item,
                             const FileRef& destinationFolder, ClashReplacement& replacement) {
    FileRef child;
    const Status lookUp = MakeChildRef(destinationFolder, name, child);
    if (lookUp == ENOENT || !ReadBoolPref(settings, keys::ReplaceFilesBySameName)) {
        return false;
    }
    if (lookUp != 0) {
        LogUnlinkError(lookUp);
        return false;
    }
    if (child.SameItem(item)) {
        return false;
    }
    ScopedFd folderFd;
    if (OpenFolderRef(destinationFolder, folderFd) != 0 ||
        !HasEntrySpeltExactly(folderFd.Get(), name)) {
        return false;
    }
    if (const Status status = replacement.SetAside(destinationFolder, name); status != 0) {
        LogUnlinkError(status);
        return false;
    }
    return true;
}

} // namespace ferrolet
