#pragma once

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
    // Where the folder is, whether or not it exists yet; empty when the user
    // turned it off (its XDG user folder is the home folder itself).
    std::string path;
    bool disabled = false;
};

using StandardFolderTable = std::array<StandardFolderEntry, kStandardFolderCount>;

// Where each folder lives: the XDG user directories (user-dirs.dirs) for
// Desktop, Documents, Pictures, Videos (Movies), Music and Public;
// ~/public_html for Sites; ~/Pictures/Wallpapers for Desktop Pictures; the
// home folder. A key missing from user-dirs.dirs means the folder of that
// English name in the home folder. Empty for a folder the user turned off by
// setting its XDG user folder to $HOME (Desktop Pictures goes with Pictures);
// the home folder itself is never off.
std::string StandardFolderPath(StandardFolder which, const std::string& home,
                               const std::string& userDirsFile);

// Fills the table from the user's folder settings. Nothing is created here:
// the home folder is the user's, and a folder is made only when a service
// files an item into it (OpenStandardFolder).
StandardFolderTable FillStandardFolderTable();

// How the user knows the folder: "Documents", "Videos", "Wallpapers" …
QString StandardFolderName(StandardFolder which);

} // namespace ferrolet
