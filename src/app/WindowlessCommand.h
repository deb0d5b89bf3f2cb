#pragma once

#include <QStringList>

namespace ferrolet {

// Whether `ferrolet --command TAG [--ask] PATH...` can run without windows,
// decided before the application object is made: a run with windows pays
// for connecting to the display and loading the window system's plugins
// and fonts, several times the work of filing one item.
//
// Windows serve two things in such a run: the folder dialog (--ask, and
// Wrap Items, which may ask for its wrapper) and the progress window, which
// appears only once a run has lasted half a second. So a run goes without
// them when it asks nothing and its given items are few and small enough to
// be done well before then: links, aliases and Open Folder, Add and Remove
// Folder, and moves, copies and archives of a few files (no folders, whose
// size is unknown) of a few megabytes in all. A run on the file manager's
// selection (no paths) may hold anything and keeps its windows.
bool CommandRunsWithoutWindows(int tag, bool ask, const QStringList& paths);

} // namespace ferrolet
