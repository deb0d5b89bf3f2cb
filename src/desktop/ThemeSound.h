#pragma once

#include <QString>

#include <string>

namespace ferrolet {

// Where the freedesktop sound theme keeps its sounds.
inline constexpr const char* kSoundThemeFolder = "/usr/share/sounds/freedesktop/stereo";

// The file of a theme sound: <folder>/<name>.oga, .ogg or .wav, whichever
// exists first. Empty when nothing matches or the name could reach outside
// the folder (empty, "/", "." or "..").
std::string ThemeSoundFile(const QString& name, const std::string& folder = kSoundThemeFolder);

} // namespace ferrolet
