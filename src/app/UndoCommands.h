#pragma once

#include "app/AppCore.h"
#include "app/OfferedCommand.h"
#include "dispatch/MenuModel.h"

#include <cstdint>

namespace ferrolet {

// Undo in the status menu, on the command line and on the bus.

// Inserts, before the status menu's closing block, "Undo <gesture>" for the
// newest gesture that can be undone and a "History" submenu of the last
// kHistoryMenuLength gestures (each undoable one offered as its undo, the
// others greyed with their state). Nothing while the journal holds no
// gesture, so a new user's menu is as it always was. The Move Service
// window's menu stays without them: it files things away, and its
// selection is not what an undo acts on.
void AppendUndoItems(Menu& menu);

// `ferrolet --undo [N]` and the bus: undoes gesture number n of
// `--history` (0: the newest that can be undone). Refused (2) when there
// is no such gesture or it cannot be undone; 1 when items were left alone.
CommandOutcome RunUndo(AppCore& core, int n);

// The menu's Undo items: undoes the gesture of that id.
CommandOutcome RunUndoOfGesture(AppCore& core, int64_t gestureId);

} // namespace ferrolet
