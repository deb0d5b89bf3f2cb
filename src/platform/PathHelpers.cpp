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

std::string ParentOfPath(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return path.empty() ? std::string() : std::string("/");
    }
    const size_t slash = path.rfind('/', end);
    if (slash == std::string::npos) {
        return {};
    }
    end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? std::string("/") : path.substr(0, end + 1);
}

QString CleanForFilename(const QString& text) {
    QString clean = text;
    clean.replace(QLatin1Char('/'), QLatin1Char('-'));
    clean.replace(QLatin1Char(':'), QLatin1Char('-'));
    return clean;
}

} // namespace ferrolet
