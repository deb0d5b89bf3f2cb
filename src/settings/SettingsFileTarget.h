#pragma once

#include <string>
#include <sys/types.h>

namespace ferrolet {

// Where the settings really live. Dotfile managers make the settings file a
// symbolic link into their own folder: it is read through the link, and a
// save replaces the file the link leads to, in that file's own folder, so
// the link stays a link.
struct SettingsFileTarget {
    enum class Kind {
        Missing,    // nothing there yet (also a link that leads nowhere)
        Regular,    // a regular file: read it, replace it
        NotRegular, // a folder, a FIFO, a device, a link loop …: never opened
    };
    // The file itself: the settings path, or where its links lead.
    std::string path;
    Kind kind = Kind::Missing;
    // For NotRegular: why (ELOOP, EACCES …), or 0 for another file type.
    int error = 0;
    // Identity of what stands at path (Regular and NotRegular).
    dev_t device = 0;
    ino_t inode = 0;
};

// Follows settingsPath through its symbolic links (relative ones from the
// link's own folder) without opening anything, so a FIFO or a device never
// blocks the program.
SettingsFileTarget FindSettingsFile(const std::string& settingsPath);

// The folder a file is written in; "." for a bare file name.
std::string FolderOfFile(const std::string& path);

} // namespace ferrolet
