#include "DisplayName.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <sys/stat.h>

namespace ferrolet {

namespace {

// A folder is a volume's root when its parent lies on another device, or it
// is its own parent ("/"). Cheap: two stats, no walk of the mount table.
bool IsVolumeRoot(const QByteArray& path, const struct stat& st) {
    struct stat parent {};
    const QByteArray parentPath = path + "/..";
    if (stat(parentPath.constData(), &parent) != 0) {
        return false;
    }
    return parent.st_dev != st.st_dev || parent.st_ino == st.st_ino;
}

} // namespace

QString DisplayNameForPath(const QString& path) {
    const QByteArray bytes = path.toUtf8();
    struct stat st {};
    if (bytes.isEmpty() || bytes.front() != '/' || lstat(bytes.constData(), &st) != 0) {
        return {};
    }
    if (S_ISDIR(st.st_mode) && IsVolumeRoot(bytes, st)) {
        const QStorageInfo volume(path);
        const QString label = volume.isValid() ? volume.name() : QString();
        if (!label.isEmpty()) {
            return label;
        }
    }
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QStringLiteral("/") : name;
}

} // namespace ferrolet
