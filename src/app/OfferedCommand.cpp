#include "OfferedCommand.h"

#include "UnavailableDestination.h"
#include "dispatch/CommandIds.h"

namespace ferrolet {

const MenuItem* FindOfferedCommand(const Menu& menu, int tag, bool ask) {
    const MenuAction action = ask ? MenuAction::ChooseFolder : MenuAction::RunCommand;
    for (const MenuItem& item : menu.items) {
        if (!item.IsEnabled()) {
            continue; // a greyed item, or the items of a greyed submenu
        }
        if (item.tag == tag && item.action == action) {
            return &item;
        }
        if (item.submenu) {
            if (const MenuItem* found = FindOfferedCommand(*item.submenu, tag, ask)) {
                return found;
            }
        }
    }
    return nullptr;
}

CommandOutcome RunOfferedCommand(AppCore& core, int tag, bool ask) {
    core.Setup();
    const MenuItem* item = FindOfferedCommand(core.StatusMenu(), tag, ask);
    if (!item) {
        item = FindOfferedCommand(core.MoveServiceMenu(), tag, ask);
    }
    if (!item && !ask) {
        // A listed folder greyed because it cannot take the selection.
        if (const MenuItem* greyed = FindUnavailableDestination(core.StatusMenu(), tag)) {
            return {2, ReportUnavailableDestination(core.Desktop(), *greyed)};
        }
    }
    if (!item) {
        return {2, ask ? QStringLiteral("the menu does not offer the header of command %1 now "
                                        "(no enabled submenu header carries that tag)")
                             .arg(tag)
                       : QStringLiteral("the menu does not offer command %1 now "
                                        "(no enabled menu item carries that tag)")
                             .arg(tag)};
    }
    // Perform may rebuild nothing, but the item lives in the menu model; keep
    // a copy so the run does not depend on the model staying as it is.
    const MenuItem chosen = *item;
    core.Perform(chosen);
    return {};
}

} // namespace ferrolet
