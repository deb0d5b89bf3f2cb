#pragma once

#include "MenuModel.h"

namespace ferrolet {

enum class ClosingBlock { StatusMenu, MoveServiceMenu };

inline const QString kSelItemPreferences = QStringLiteral("selItemPreferences");
inline const QString kSelItemAbout = QStringLiteral("selItemAbout");
inline const QString kSelItemQuit = QStringLiteral("selItemQuit");

// The items every build ends with: a separator, "Preferences...", a
// separator, then "About Ferrolet" (status menu only) and "Quit".
inline void AppendClosingBlock(Menu& menu, ClosingBlock which) {
    auto item = [](const char* title, const QString& action) {
        MenuItem i;
        i.title = QString::fromLatin1(title);
        i.action = action;
        return i;
    };
    menu.AppendSeparator();
    menu.Append(item("Preferences...", kSelItemPreferences));
    menu.AppendSeparator();
    if (which == ClosingBlock::StatusMenu) {
        menu.Append(item("About Ferrolet", kSelItemAbout));
    }
    menu.Append(item("Quit", kSelItemQuit));
}

} // namespace ferrolet
