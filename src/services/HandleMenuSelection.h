#pragma once

#include "MoveServiceWindowHooks.h"
#include "dispatch/StandardFolders.h"
#include "fileops/commands/CommandContext.h"

#include <QString>
#include <QStringList>

namespace ferrolet {

// What a service request works on: the commands' context, the standard
// folders as the user set them, and the Move Service window.
struct ServiceTarget {
    CommandContext& ctx;
    const StandardFolderTable& standardFolders;
    MoveServiceWindowHooks window;
};

// One request from another program: the entry named by userData (compared
// exactly, in table order) acts on each handed-over path in order.
//
// - An item whose path is unusable (no UTF-8 form, not absolute, naming
//   nothing) or whose entry is unknown ends without action.
// - "Move to <folder>" moves the item into that standard folder; an item
//   already there counts as moved. The success flag takes the move's result;
//   a failed move logs "The object was not moved". A moved item is revealed
//   when "SelectMovedItem" is on. A missing folder is made first; one that
//   cannot be made skips the item. A folder the user turned off (its XDG
//   user folder is $HOME) moves nothing and says so in one notification.
// - The window entries show the Move Service window at the mouse or hide it.
// - The "to Select" entries run their command once, with one folder dialog,
//   on exactly the handed-over items (never on the clipboard's selection);
//   an unusable path is logged once with its reason and left alone, and a
//   request with any gets one notification. The completion sound follows
//   when at least one item was usable.
// - Every item ending while the flag is false logs "The object was not
//   moved" (the window entries included).
// After the last path, a true flag plays the completion sound. The request is
// one command run (CommandRun.h): with "SelectMovedItem" on its moved items
// are revealed in one file-manager request at the end, with it off nothing is
// revealed; items that were not moved (or a request with no paths) are named
// in one notification.
void HandleMenuSelection(ServiceTarget& target, const QStringList& paths, const QString& userData);

} // namespace ferrolet
