#include "platform/PathHelpers.h"

namespace ferrolet {

namespace {
// The path buffer of the string conversion held 4098 bytes, not 4096.
constexpr size_t kPathBufferBytes = 4098;
} // namespace

QString PathForDisplay(const FileRef& ref) {
    std::string path;
    if (ref.MakePath(path, kPathBufferBytes) != 0) {
        return {};
    }
    return QString::fromUtf8(path);
}

bool RefForPath(const QString& path, FileRef& out) {
    out = FileRef();
    if (path.isEmpty()) {
        return false;
    }
    return FileRef::FromPath(path.toUtf8().toStdString(), out, FileRef::Leaf::Follow) == 0;
}

QString CleanForFilename(const QString& text) {
    QString clean = text;
    clean.replace(QLatin1Char('/'), QLatin1Char('-'));
    clean.replace(QLatin1Char(':'), QLatin1Char('-'));
    return clean;
}

} // namespace ferrolet
