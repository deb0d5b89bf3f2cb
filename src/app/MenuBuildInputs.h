#pragma once

#include "filemanager/Selection.h"
#include "fileops/commands/CutState.h"
#include "settings/SettingsStore.h"

#include <QMap>
#include <QString>

namespace ferrolet {

// What a menu build reads and replaces: the settings and folder lists (read
// afresh at every build), the pending cut, the selection snapshot (taken
// anew by the build) and the extension map (refilled when the selection
// holds an item with an extension). Owned by AppCore; the builders borrow it.
struct MenuBuildInputs {
    SettingsStore& settings;
    SelectionSnapshot& selection;
    QMap<QString, QString>& extensionFolderMap;
    const CutState& cut;
    // The selection summary's submenu of one line per item (a look at each
    // item); a build that only looks for a command to run needs none.
    bool itemLines = true;
};

} // namespace ferrolet
