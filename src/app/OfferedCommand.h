#pragma once

#include "AppCore.h"
#include "dispatch/MenuModel.h"

#include <QString>

namespace ferrolet {

// The enabled item of menu (searched depth first, submenus included) that
// carries tag as a RunCommand item, or with ask as a
// ChooseFolder header; nullptr when the menu does not offer it.
const MenuItem* FindOfferedCommand(const Menu& menu, int tag, bool ask);

struct CommandOutcome {
    int exitStatus = 0; // 0 run, 1 run with items that failed, 2 refused
    QString message;    // why it was refused or what failed; empty when all went well
};

// `ferrolet --command TAG [--ask]`: builds the status menu as an opening
// would (fresh selection snapshot and extension map; no line per selected
// item), and the Move Service menu too when the status menu does not offer
// tag, then runs the item carrying tag exactly as choosing it would. A tag
// that neither fresh menu offers enabled is refused, with nothing run; a run
// in which items failed has exit status 1.
//
// after says what becomes of core's snapshot: the tray keeps it for the
// commands that follow; a process that runs one command and ends hands it
// to the run, which then need not copy it (one list of 100,000 items less).
enum class SnapshotAfterRun { Kept, Taken };
CommandOutcome RunOfferedCommand(AppCore& core, int tag, bool ask,
                                 SnapshotAfterRun after = SnapshotAfterRun::Kept);

// `ferrolet --command TAG [--ask] PATH...`: the same with exactly the given
// items as the selection. The menus are built for them (so a tag their menu
// would not offer is refused just the same), without touching the
// application's own snapshot or extension map, and the item runs on them. A
// path that cannot be used (see SelectionFromGivenPaths) is logged and left
// alone; the request then also shows one notification. A run in which items
// failed (they are logged and named in the run's notification) has exit
// status 1, so a script never takes it for a success.
CommandOutcome RunOfferedCommandOn(AppCore& core, int tag, bool ask, const QStringList& paths);

} // namespace ferrolet
