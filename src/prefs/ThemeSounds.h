#pragma once

#include <QString>
#include <QStringList>

namespace ferrolet {

// The title of the sound-menu entry that plays nothing.
inline const QString kNoSoundTitle = QStringLiteral("None");

// The sound menu's titles: "None" first, then each entry of the folder named
// without its extension, sorted by name so the menu is the same at every
// start. A missing or unreadable folder gives "None" alone.
QStringList ListSoundTitles(const QString& folder);

} // namespace ferrolet
