#include "ThemeSounds.h"

#include <QDir>

namespace ferrolet {

namespace {

// The name without the text after its last ".", when that "." is neither the
// first nor the last character (the program's one extension rule).
QString WithoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1) {
        return name;
    }
    return name.left(dot);
}

} // namespace

QString DefaultSoundFolder() {
    return QStringLiteral("/usr/share/sounds/freedesktop/stereo");
}

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
