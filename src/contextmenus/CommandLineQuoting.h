#pragma once

#include <QString>

#include <optional>
#include <string>

namespace ferrolet {

// The pieces of the command lines written into file managers' settings.
// Nothing but our own program's path and fixed words ever goes through them:
// the items reach the program through the file manager's own %F or "$@".

// Whether a program path can be written into every file manager's command
// line at all: absolute, UTF-8, and free of control characters and "%"
// (which the file managers read as their own field codes).
bool UsableProgramPath(const std::string& program);

// One argument quoted for a desktop entry's Exec key (Dolphin, Nemo):
// enclosed in double quotes with '"', '`', '$' and '\' escaped by a
// backslash, then escaped once more as a key-file string value (each '\'
// doubled), as the desktop-entry rules stack the two.
QString DesktopExecArgument(const QString& argument);

// A key-file string value: '\' doubled (SafeMenuTitle has removed the
// control characters that would need the other escapes).
QString KeyFileValue(const QString& text);

// One argument for /bin/sh: in single quotes, a single quote written as '\''.
// No byte can end the quoting early.
QString ShellArgument(const QString& argument);

// Text for an XML element's content or attribute.
QString XmlText(const QString& text);

} // namespace ferrolet
