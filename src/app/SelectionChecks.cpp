#include "SelectionChecks.h"

#include "settings/FolderLists.h"

#include <sys/stat.h>

namespace ferrolet {

bool IsListedFolder(const FileRef& folder, const QStringList& pathnames) {
    if (!folder.IsValid()) {
        return false;
    }
    for (const QString& path : pathnames) {
        if (path == kFolderNotFound) {
            continue;
        }
        // A listed destination is the folder it names, through a link if
        // need be, as the folder dialog and the commands take it.
        struct stat st {};
        if (stat(path.toUtf8().constData(), &st) == 0 && st.st_dev == folder.Device() &&
            st.st_ino == folder.Inode()) {
            return true;
        }
    }
    return false;
}

} // namespace ferrolet
