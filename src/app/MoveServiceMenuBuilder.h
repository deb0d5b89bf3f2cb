#pragma once

#include "MenuBuildInputs.h"
#include "dispatch/MenuModel.h"

namespace ferrolet {

// buildMoveServiceMenu: rebuilds the Move Service window's menu for the
// selection of this moment (the snapshot in inputs is replaced, and stays in
// force when this build runs after the status menu's). The last item of the
// previous build stays in place while the new items are appended, so the
// menu is never empty while it is rebuilt, and is removed at the end; when
// the menu held nothing there is nothing to remove. Either way the menu then
// holds exactly this build's items.
void BuildMoveServiceMenu(MenuBuildInputs& inputs, Menu& menu);

} // namespace ferrolet
