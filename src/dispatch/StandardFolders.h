#pragma once

#include "platform/FileRef.h"

#include <QString>

#include <array>
#include <string>

namespace ferrolet {

// The user folders that the "Move to …" services file into, in the order the
// table is filled.
enum class StandardFolder {
    DesktopPictures,
    Documents,
    Pictures,
    Movies,
    Music,
    Sites,
    Public,
    Desktop,
    Home,
};
inline constexpr int kStandardFolderCount = 9;

struct StandardFolderEntry {
    FileRef folder;
    std::string path; // empty when the folder could not be found or made
};

using StandardFolderTable = std::array<StandardFolderEntry, kStandardFolderCount>;

// Where each folder lives: the XDG user directories (user-dirs.dirs) for
// Desktop, Documents, Pictures, Videos (Movies), Music and Public;
// ~/public_html for Sites; ~/Pictures/Wallpapers for Desktop Pictures; the
// home folder. A key missing from user-dirs.dirs means the folder of that
// English name in the home folder.
std::string StandardFolderPath(StandardFolder which, const std::string& home,
                               const std::string& userDirsFile);

// Fills the table, creating missing folders (as a file manager would, with
// their parents); a folder that cannot be found or made leaves its path empty.
StandardFolderTable FillStandardFolderTable();

} // namespace ferrolet
