#pragma once

#include "dispatch/MenuModel.h"

#include <QMenu>

#include <functional>

namespace ferrolet {

// Renders a menu model into a QMenu (emptied first): titles, greyed items,
// tooltips, separators and submenus as the model says. Item icons are looked
// up only when their submenu is about to show, and by MIME type with a cache,
// so a selection of thousands of items opens at once.
void RenderMenu(const Menu& model, QMenu* menu,
                const std::function<void(const MenuItem&)>& onChosen);

} // namespace ferrolet
