#include "MenuBuilder.h"

#include "MenuBody.h"

namespace ferrolet {

void BuildMenu(MenuBuildInputs& inputs, Menu& menu) {
    menu.items.clear();
    AppendMenuBody(inputs, MenuKind::Status, menu);
}

} // namespace ferrolet
