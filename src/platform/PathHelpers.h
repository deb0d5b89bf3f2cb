#pragma once

#include "platform/FileRef.h"

#include <QString>

#include <string>

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

// The folder part of a path, as a string (nothing is looked up): the path
// up to its last "/", with the trailing slashes of the path and of that part
// left out. The root is its own parent, and a parent directly below it is
// "/": "/" -> "/", "/a" -> "/", "/a/b" -> "/a", "/a/b/" -> "/a". A name with
// no "/" before it names no folder: "" -> "", "a" -> "" (and "a/b" -> "a").
std::string ParentOfPath(const std::string& path);

// The text with every "/" and every ":" replaced by "-", so that a date
// description can be part of a file name. Nothing else changes.
QString CleanForFilename(const QString& text);

} // namespace ferrolet
