#include "DisplayName.h"

#include "fileops/ItemNames.h"
#include "platform/FileRef.h"

namespace ferrolet {

QString DisplayNameForPath(const QString& path) {
    FileRef item;
    if (FileRef::FromPath(path.toStdString(), item, FileRef::Leaf::NoFollow) != noErr) {
        return {};
    }
    return CopyDisplayName(item);
}

} // namespace ferrolet
