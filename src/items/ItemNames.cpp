#include "items/ItemNames.h"

#include "items/ItemAccess.h"

#include <QStorageInfo>
#include <QUuid>

#include <sys/stat.h>

namespace ferrolet {

size_t ExtensionDot(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
        return std::string::npos;
    }
    return dot;
}

std::string ExtensionOf(const std::string& name) {
    const size_t dot = ExtensionDot(name);
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<std::string> ItemFileName(const FileRef& item) {
    if (!item.IsValid()) {
        return std::nullopt;
    }
    std::string name = item.Name();
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

namespace {
// A folder is the root of a mounted volume when its parent lies on another
// device, or when it is its own parent ("/").
bool IsVolumeRoot(const FileRef& item, const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) {
        return false;
    }
    if (item.Path() == "/") {
        return true;
    }
    struct stat parent {};
    if (::stat(item.ParentPath().c_str(), &parent) != 0) {
        return false;
    }
    return parent.st_dev != st.st_dev || parent.st_ino == st.st_ino;
}
} // namespace

QString ItemDisplayName(const FileRef& item) {
    struct stat st {};
    if (StatItemRef(item, st) != 0) {
        return {};
    }
    if (IsVolumeRoot(item, st)) {
        const QStorageInfo volume(QString::fromUtf8(item.Path()));
        if (volume.isValid() && !volume.name().isEmpty()) {
            return volume.name();
        }
    }
    const std::string name = item.Name();
    return name.empty() ? QStringLiteral("/") : QString::fromUtf8(name);
}

QString LowercaseExtension(const FileRef& item) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name) {
        return {};
    }
    const std::string extension = ExtensionOf(*name);
    if (extension.empty()) {
        return {};
    }
    return QString::fromUtf8(extension).toLower();
}

std::string NewUUIDString() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

} // namespace ferrolet
