#include "DisplayName.h"

#include "items/ItemNames.h"
#include "platform/FileRef.h"

namespace ferrolet {

QString DisplayNameForPath(const QString& path) {
    FileRef item;
    if (FileRef::FromPath(path.toStdString(), item, FileRef::Leaf::NoFollow) != 0) {
        return {};
    }
    return ItemDisplayName(item);
}

} // namespace ferrolet
