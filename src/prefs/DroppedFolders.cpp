#include "DroppedFolders.h"

#include "items/ItemKinds.h"
#include "platform/FileRef.h"

namespace ferrolet {

bool IsDroppablePlainFolder(const QString& path) {
    // The dropped item itself, never what a link in its place points to.
    FileRef folder;
    return FileRef::FromPath(path.toStdString(), folder, FileRef::Leaf::NoFollow) == 0 &&
           IsPlainFolder(folder);
}

QStringList LocalPathsOfUrls(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

bool AnyPlainFolder(const QStringList& paths) {
    for (const QString& path : paths) {
        if (IsDroppablePlainFolder(path)) {
            return true;
        }
    }
    return false;
}

} // namespace ferrolet
