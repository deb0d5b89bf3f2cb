#pragma once

#include "items/ScopedFd.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet {

// The longest name one folder entry can have on Linux file systems, in bytes.
inline constexpr size_t kMaxNameBytes = 255;

// Whether two statuses are of the same item: the same device and inode.
inline bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the folder a reference designates and checks that the descriptor is
// that very folder (same device and inode): a path that meanwhile holds
// another item, or a symbolic link in the last place, is refused. With
// forReading the descriptor can list the folder; otherwise it only anchors
// *at calls. EINVAL for a null reference, ENOENT when the item is gone,
// ENOTDIR when it is not a folder.
Status OpenFolderRef(const FileRef& folder, ScopedFd& fd, bool forReading = false);

// The status of the item a reference designates (never following a link),
// failing when the reference is null or its path now holds another item.
Status StatItemRef(const FileRef& item, struct stat& st);

// A name usable as one entry of a folder: not empty, not "." or "..", no "/"
// or NUL, at most kMaxNameBytes bytes.
Status CheckEntryName(const std::string& name);

// The path of the entry name inside the folder at folderPath.
std::string ChildPath(const std::string& folderPath, const std::string& name);

// Opens folder (as OpenFolderRef) and reads the status of its entry name,
// never following a link; fd stays open for further *at calls.
Status StatEntryInFolder(const FileRef& folder, const std::string& name, ScopedFd& fd,
                         struct stat& st);

// The names of a folder's entries ("." and ".." left out), in the order the
// file system gives them. Read through a descriptor of its own, so the
// folder's descriptor keeps its position.
Status ListEntryNames(int folderFd, std::vector<std::string>& names);

// Whether the folder holds an entry spelt exactly name, byte for byte. On a
// file system that ignores case a look-up of "report.pdf" also finds
// "Report.pdf"; this tells the two apart.
bool HasEntrySpeltExactly(int folderFd, const std::string& name);

} // namespace ferrolet
