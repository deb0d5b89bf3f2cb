#include "MenuBuilder.h"

#include "MenuBody.h"
#include "UndoCommands.h"

namespace ferrolet {

void BuildMenu(MenuBuildInputs& inputs, Menu& menu) {
    menu.items.clear();
    AppendMenuBody(inputs, MenuKind::Status, menu);
    AppendUndoItems(menu);
}

} // namespace ferrolet
