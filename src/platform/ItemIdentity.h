#pragma once

#include "FolderRecordFormat.h"

#include <sys/stat.h>

namespace ferrolet {

// Records what tells the item apart from a later one that gets the same inode
// number (inode numbers are reused at once): its file handle and birth time.
// The item is name in dirFd (or an absolute name with AT_FDCWD); a final
// symbolic link is never followed.
void CaptureItemIdentity(int dirFd, const char* name, FolderRecordFields& fields);

// True when name in dirFd is the item the fields were captured from: same
// inode and kind, same volume (same device, or same file-system id after a
// reboot renumbered devices), and the same handle or birth time wherever both
// sides can tell. st receives the item's status.
bool ItemMatches(int dirFd, const char* name, const FolderRecordFields& fields, struct stat& st);

} // namespace ferrolet
