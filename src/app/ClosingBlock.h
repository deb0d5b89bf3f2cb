#pragma once

#include "dispatch/MenuModel.h"

namespace ferrolet {

enum class ClosingBlock { StatusMenu, MoveServiceMenu };

// The items every build ends with: a separator, "Preferences...", a
// separator, then "About Ferrolet" (status menu only) and "Quit".
inline void AppendClosingBlock(Menu& menu, ClosingBlock which) {
    auto item = [](const char* title, MenuAction action) {
        MenuItem i;
        i.title = QString::fromLatin1(title);
        i.action = action;
        return i;
    };
    menu.AppendSeparator();
    menu.Append(item("Preferences...", MenuAction::Preferences));
    menu.AppendSeparator();
    if (which == ClosingBlock::StatusMenu) {
        menu.Append(item("About Ferrolet", MenuAction::About));
    }
    menu.Append(item("Quit", MenuAction::Quit));
}

} // namespace ferrolet
