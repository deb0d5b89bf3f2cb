#include "MoveServiceMenuBuilder.h"

#include "MenuBody.h"

namespace ferrolet {

void BuildMoveServiceMenu(MenuBuildInputs& inputs, Menu& menu) {
    if (menu.items.size() >= 2) {
        menu.items.erase(menu.items.begin(), menu.items.end() - 1);
    }
    const bool keptOne = menu.items.size() == 1;
    AppendMenuBody(inputs, MenuKind::MoveService, menu);
    if (keptOne) {
        menu.items.erase(menu.items.begin());
    }
}

} // namespace ferrolet
