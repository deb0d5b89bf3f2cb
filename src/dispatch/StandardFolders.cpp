#include "dispatch/StandardFolders.h"

#include "util/AppPaths.h"

#include <fstream>

namespace ferrolet {

namespace {

// The value of one XDG_<NAME>_DIR line of user-dirs.dirs: "$HOME/..." or an
// absolute path, in double quotes with backslash escapes. Empty when absent.
std::string ReadUserDir(const std::string& userDirsFile, const std::string& key,
                        const std::string& home) {
    std::ifstream in(userDirsFile);
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        if (line.compare(start, key.size() + 1, key + "=") != 0) {
            continue;
        }
        std::string value = line.substr(start + key.size() + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
            continue;
        }
        value = value.substr(1, value.size() - 2);
        std::string unescaped;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            unescaped += value[i];
        }
        if (unescaped.rfind("$HOME", 0) == 0) {
            unescaped.replace(0, 5, home);
        } else if (unescaped.empty() || unescaped[0] != '/') {
            continue;
        }
        // A user directory set to the home folder itself means "disabled";
        // the caller tells that apart from a missing key.
        while (unescaped.size() > 1 && unescaped.back() == '/') {
            unescaped.pop_back();
        }
        found = unescaped;
    }
    return found;
}

} // namespace

std::string StandardFolderPath(StandardFolder which, const std::string& home,
                               const std::string& userDirsFile) {
    auto xdg = [&](const char* key, const char* englishName) {
        std::string dir = ReadUserDir(userDirsFile, key, home);
        if (dir == home) {
            return std::string(); // turned off
        }
        return dir.empty() ? home + "/" + englishName : dir;
    };
    switch (which) {
    case StandardFolder::DesktopPictures: {
        const std::string pictures = xdg("XDG_PICTURES_DIR", "Pictures");
        return pictures.empty() ? pictures : pictures + "/Wallpapers";
    }
    case StandardFolder::Documents:
        return xdg("XDG_DOCUMENTS_DIR", "Documents");
    case StandardFolder::Pictures:
        return xdg("XDG_PICTURES_DIR", "Pictures");
    case StandardFolder::Movies:
        return xdg("XDG_VIDEOS_DIR", "Videos");
    case StandardFolder::Music:
        return xdg("XDG_MUSIC_DIR", "Music");
    case StandardFolder::Sites:
        return home + "/public_html";
    case StandardFolder::Public:
        return xdg("XDG_PUBLICSHARE_DIR", "Public");
    case StandardFolder::Desktop:
        return xdg("XDG_DESKTOP_DIR", "Desktop");
    case StandardFolder::Home:
        return home;
    }
    return home;
}

StandardFolderTable FillStandardFolderTable() {
    StandardFolderTable table;
    const std::string home = HomeDirectory();
    const std::string userDirs = ConfigDirectory() + "/user-dirs.dirs";
    for (int i = 0; i < kStandardFolderCount; ++i) {
        table[i].path = StandardFolderPath(static_cast<StandardFolder>(i), home, userDirs);
        table[i].disabled = table[i].path.empty();
    }
    return table;
}

QString StandardFolderName(StandardFolder which) {
    switch (which) {
    case StandardFolder::DesktopPictures:
        return QStringLiteral("Wallpapers");
    case StandardFolder::Documents:
        return QStringLiteral("Documents");
    case StandardFolder::Pictures:
        return QStringLiteral("Pictures");
    case StandardFolder::Movies:
        return QStringLiteral("Videos");
    case StandardFolder::Music:
        return QStringLiteral("Music");
    case StandardFolder::Sites:
        return QStringLiteral("public_html");
    case StandardFolder::Public:
        return QStringLiteral("Public");
    case StandardFolder::Desktop:
        return QStringLiteral("Desktop");
    case StandardFolder::Home:
        return QStringLiteral("Home");
    }
    return {};
}

} // namespace ferrolet
