#include "ThemeSounds.h"

#include "items/ItemNames.h"

#include <QDir>

namespace ferrolet {

namespace {

// The name without its extension and that extension's "." (the program's
// one extension rule, on the name's UTF-8 bytes).
QString WithoutExtension(const QString& name) {
    const std::string bytes = name.toStdString();
    const size_t dot = ExtensionDot(bytes);
    if (dot == std::string::npos) {
        return name;
    }
    return QString::fromStdString(bytes.substr(0, dot));
}

} // namespace

QStringList ListSoundTitles(const QString& folder) {
    QStringList titles{kNoSoundTitle};
    const QDir dir(folder);
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        titles.append(WithoutExtension(entry));
    }
    return titles;
}

} // namespace ferrolet
