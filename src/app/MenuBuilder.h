#pragma once

#include "MenuBuildInputs.h"
#include "dispatch/MenuModel.h"

namespace ferrolet {

// buildMenu: empties the status menu and builds it anew for the selection
// of this moment (the snapshot in inputs is replaced).
void BuildMenu(MenuBuildInputs& inputs, Menu& menu);

} // namespace ferrolet
