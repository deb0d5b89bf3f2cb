#pragma once

#include "MenuBuildInputs.h"
#include "dispatch/MenuModel.h"

namespace ferrolet {

// The two menus differ in a few places; everything else they build alike.
enum class MenuKind {
    Status,      // the tray menu
    MoveService, // the Move Service window's menu
};

// Takes a fresh selection snapshot and appends, after whatever the menu
// holds, the items a build shows for it: the selection line, the commands
// the settings switch on, one folder submenu per destination command, and
// the closing block. Settings and folder lists are read afresh.
void AppendMenuBody(MenuBuildInputs& inputs, MenuKind kind, Menu& menu);

// The summary line's text: "%ld %@, First item: %@" with "Item" for exactly
// one item and "Items" otherwise.
QString SelectionSummary(long count, const QString& firstName);

} // namespace ferrolet
