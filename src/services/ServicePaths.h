#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace ferrolet {

// The bytes of a handed-over path when the item can be used: the path has a
// UTF-8 form (no unpaired surrogates, no NUL), is absolute, and does not end
// in "." or ".." (which would name a folder by a link rather than by its
// entry, so moving it could only fail or surprise). Nothing otherwise.
std::optional<std::string> UsableServicePath(const QString& path);

// A command-line argument turned into the path handed to the service: a
// relative one is made absolute against workingFolder, one ending in "." or
// ".." is resolved to the folder it names. An argument that is not valid
// UTF-8 cannot travel on the bus, and guessing at its characters could name
// another item, so it becomes an empty path, which the service reports as
// an unusable item.
QString ServiceArgumentPath(const std::string& argument, const std::string& workingFolder);

// The command-line arguments argv[first] … argv[argc - 1] as handed-over
// paths (ServiceArgumentPath against the caller's working folder).
QStringList ArgumentPaths(int argc, char** argv, int first);

// The caller's working folder, as bytes; empty when it cannot be read.
std::string CurrentWorkingFolder();

} // namespace ferrolet
