#pragma once

#include <string>

namespace ferrolet {

// The data folder (selection script, icons): ../share/ferrolet beside the
// `ferrolet` program, so the build tree and an installed prefix both work.
// FERROLET_DATA_DIR overrides it for tests.
std::string DataDirectory();

// The `ferrolet` program users call, from the running executable's path:
// itself, or for ferrolet-gui (the program with windows that ferrolet starts
// in its place) the ferrolet beside it in a build tree, or <prefix>/bin/
// ferrolet for <prefix>/libexec/ferrolet/ferrolet-gui.
std::string UserFacingProgram(const std::string& executable);

// $XDG_CONFIG_HOME (default ~/.config).
std::string ConfigDirectory();

// $XDG_STATE_HOME/Ferrolet (default ~/.local/state/Ferrolet), created with
// mode 0700 when missing. Archives and cut items wait here; it is per user and
// survives restarts. Empty when it cannot be made.
std::string StateDirectory();
// Where StateDirectory() lives, without creating anything: for readers, so
// that looking for held items does not make folders in the user's home.
std::string StateDirectoryPath();

// The freedesktop sound theme's folder of stereo event sounds: the
// completion sound and the beep play from it, and the preferences window
// lists its sounds.
inline constexpr const char* kSoundThemeFolder = "/usr/share/sounds/freedesktop/stereo";

// The user's home folder ($HOME, or the password database).
std::string HomeDirectory();

} // namespace ferrolet
