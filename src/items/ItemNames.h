#pragma once

#include "platform/FileRef.h"

#include <QString>

#include <optional>
#include <string>

namespace ferrolet {

// The one extension rule of the program: the text after the last "." of a
// name when that "." is neither the name's first nor its last character.
// ".bashrc" and "notes." have none; "archive.tar.gz" has "gz". The position
// of that "." or npos when the name has no extension.
size_t ExtensionDot(const std::string& name);
// The extension (without its "."), empty when the name has none.
std::string ExtensionOf(const std::string& name);

// The item's name (bytes, as stored in its folder); none when the reference
// no longer designates an item, or for the root, which has no name.
std::optional<std::string> ItemFileName(const FileRef& item);

// The name a file manager shows for the item: its file name with invalid
// UTF-8 shown as replacement characters, or for the root of a mounted volume
// the volume's label (its mount point's name when it has none). A null
// string when the reference designates nothing.
QString ItemDisplayName(const FileRef& item);

// The item's extension in lower case, without its "."; a null string when
// the name has no extension or cannot be read.
QString LowercaseExtension(const FileRef& item);

// A freshly generated UUID in its 36-character upper-case form
// (8-4-4-4-12 hexadecimal digits).
std::string NewUUIDString();

} // namespace ferrolet
