#pragma once

#include "util/Status.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace ferrolet {

// Designates one existing item by device and inode together with its path.
// Inode numbers are handed out again as soon as they are freed, so where the
// file system records a birth time the reference keeps it too: a file
// deleted and another made under the same name, which may get the same inode
// number, is then still told apart.
// A default FileRef designates nothing and every call on it fails. A FileRef
// is invalid once its item is gone or its path holds another item. It keeps no
// descriptor open, so a snapshot of references never keeps a volume busy.
class FileRef {
public:
    enum class Leaf { NoFollow, Follow };

    FileRef() = default;

    // The item at path, which must be absolute. With Leaf::NoFollow (items) a
    // symbolic link designates the link itself; with Leaf::Follow (folders the
    // user chose as destinations) it designates what the link points to, and
    // the stored path is the resolved one.
    static Status FromPath(const std::string& path, FileRef& out, Leaf leaf = Leaf::NoFollow,
                           bool* isDirectory = nullptr);

    // A reference to an item known by its (absolute) path and identity, as
    // file operations hand back for the item at its new place.
    static FileRef Make(std::string path, dev_t device, ino_t inode);

    // The path still holds the same item.
    bool IsValid() const;
    // The entry name (relative to the folder dirFd, or a path with AT_FDCWD),
    // never followed, was born when the referenced item was; true when
    // either side has no birth time to compare.
    bool SameBirthAs(int dirFd, const char* name) const;
    // Looks at the entry name (as SameBirthAs) once: its status in st, and
    // ENOENT when it is not the referenced item (another device, inode or
    // birth time); the errno when it cannot be looked at. One statx answers
    // what a stat and a birth-time look would ask separately.
    Status StatMatching(int dirFd, const char* name, struct stat& st) const;
    bool IsNull() const { return m_path.empty(); }

    // The path, failing when the reference is invalid or the
    // path with its terminating zero does not fit maxSize bytes.
    Status MakePath(std::string& out, size_t maxSize = 4096) const;

    // Both designate the same existing item.
    bool SameItem(const FileRef& other) const;

    // The last path component (bytes), empty for the root or a null reference.
    std::string Name() const;
    // The parent folder's path; "/" for an item directly under the root.
    std::string ParentPath() const;

    const std::string& Path() const { return m_path; }
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }

    bool operator==(const FileRef& other) const {
        return m_path == other.m_path && m_device == other.m_device && m_inode == other.m_inode;
    }

private:
    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    // Birth time in nanoseconds since the epoch; 0 when unknown.
    int64_t m_birthNs = 0;
};

} // namespace ferrolet
