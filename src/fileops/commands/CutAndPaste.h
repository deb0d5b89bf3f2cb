#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Cut Items: moves the selected items at once into a new holding folder
// (a UUID-named folder of the state directory) and remembers the first
// item's folder as the origin. The pending cut is written to disk before the
// first item moves, so a crash never strands what was already held. Refused
// with a beep while a cut is pending, as the menu shows it greyed: a second
// cut would leave the first one's items unreachable. A cut that holds nothing
// leaves no cut pending. Items with a hidden name are not cut (with a beep),
// since Paste never moves hidden items.
void CutItems(CommandContext& ctx);

// Paste Items: moves every visible item of the holding folder into the one
// plain folder selected now; an item that cannot go there is logged and moved
// back to the origin folder. Hidden items (dot names, names in ".hidden")
// stay. A selection that is not one plain folder leaves the cut pending and
// moves nothing; so does an item that can go neither to the target nor back,
// so it can be pasted again later. Refused with a beep when no cut is pending.
void PasteItems(CommandContext& ctx);

// IsPasteTarget: the snapshot holds exactly one item, it still exists, and
// it is a plain folder (a directory that is not a package). The menu offers
// Paste Items only then, and Paste acts only then.
bool IsPasteTarget(const SelectionSnapshot& selection);

} // namespace ferrolet
