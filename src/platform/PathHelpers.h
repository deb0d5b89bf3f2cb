#pragma once

#include "platform/FileRef.h"

#include <QString>

namespace ferrolet {

// The path of the item a reference designates, for showing (menu tooltips,
// icon look-ups): a null string when the reference designates nothing or the
// path with its terminating zero needs more than 4098 bytes. Bytes that are
// not UTF-8 show as replacement characters, so file operations take the
// reference's own path, never this string.
QString PathForDisplay(const FileRef& ref);

// Makes a reference of an absolute path naming an existing item. The last
// component is followed when it is a symbolic link (the path names a folder
// the user chose); false, with out null, when nothing is there.
bool RefForPath(const QString& path, FileRef& out);

// The text with every "/" and every ":" replaced by "-", so that a date
// description can be part of a file name. Nothing else changes.
QString CleanForFilename(const QString& text);

} // namespace ferrolet
