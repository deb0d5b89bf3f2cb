#pragma once

#include "filemanager/Selection.h"
#include "platform/Platform.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace ferrolet {

// The selection a request names by its paths (a context-menu entry, the
// services' bus method, `ferrolet --command TAG PATH...`): exactly those
// items, in order, never what the clipboard holds. A path that cannot be used
// (not UTF-8, relative, naming nothing any more, a second mention of an item,
// or the destination folder itself when the request names one) gets one log
// line saying why and no slot, so nothing acts on it while the other items
// are still processed.
struct GivenSelection {
    SelectionSnapshot snapshot; // marked as given, so menu builds keep it
    int unusable = 0;           // how many paths were left out
};

// destination, when given, is the folder the request files into: a path
// naming that very folder is left out rather than moved into itself.
GivenSelection SelectionFromGivenPaths(const QStringList& paths,
                                       const std::optional<std::string>& destination = {});

// One desktop notification for a request that had paths it could not use,
// in plain words; nothing when every path was usable.
void NotifyUnusablePaths(Platform& platform, int unusable);

} // namespace ferrolet
