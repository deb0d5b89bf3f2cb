#include "desktop/ThemeSound.h"

#include <QFile>

#include <sys/stat.h>

namespace ferrolet {

std::string ThemeSoundFile(const QString& name, const std::string& folder) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..") || name.contains(QChar(0))) {
        return {};
    }
    const std::string base = folder + "/" + QFile::encodeName(name).toStdString();
    for (const char* extension : {".oga", ".ogg", ".wav"}) {
        std::string candidate = base + extension;
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return candidate;
        }
    }
    return {};
}

} // namespace ferrolet
