#pragma once

#include <QString>

namespace ferrolet {

// The name a file manager shows for the item at path: its file name, or for
// the root of a volume the volume's label (or its mount point's name). Empty
// when nothing is at the path, so a missing folder shows no name.
QString DisplayNameForPath(const QString& path);

} // namespace ferrolet
