#pragma once

#include "fileops/commands/CutAndPaste.h"
#include "platform/FileRef.h"

#include <QStringList>

namespace ferrolet {

// Whether one of the listed destination paths designates this very folder:
// the same device and inode, as the file system decides. Two folders whose
// names differ only in letter case are two folders here, so Remove Folder is
// offered only for the folder that is really on the list.
bool IsListedFolder(const FileRef& folder, const QStringList& pathnames);

} // namespace ferrolet
