#pragma once

#include <QString>

namespace ferrolet {

// The title a context-menu entry shows for a text that may hold anything a
// file name can: every control character (a newline would end a key-file
// line or split a script's comment) becomes its visible picture (U+2400 …,
// "␊" for a newline), a slash (which would nest a scripts-folder entry)
// becomes "∕" (U+2215), a leading "." (a hidden script) becomes "․" (U+2024),
// a noncharacter (which no XML file may hold) becomes U+FFFD,
// and an empty title reads "?". At most 200 UTF-8 bytes, cut at a character
// boundary, so it stays a valid file name.
QString SafeMenuTitle(const QString& text);

// SafeMenuTitle of a folder path's last component ("/" for the root).
QString MenuTitleForFolder(const QString& path);

} // namespace ferrolet
