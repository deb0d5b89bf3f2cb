#pragma once

#include "util/AppPaths.h"

#include <QString>

#include <string>

namespace ferrolet {

// The file of a theme sound: <folder>/<name>.oga, .ogg or .wav, whichever
// exists first. Empty when nothing matches or the name could reach outside
// the folder (empty, "/", "." or "..").
std::string ThemeSoundFile(const QString& name, const std::string& folder = kSoundThemeFolder);

} // namespace ferrolet
