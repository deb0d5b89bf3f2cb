#include "history/PathParts.h"

namespace ferrolet {

std::string ParentPathOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NamePartOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

QString Quoted(const std::string& pathOrName) {
    return QStringLiteral("\u201C%1\u201D").arg(QString::fromStdString(NamePartOf(pathOrName)));
}

} // namespace ferrolet
