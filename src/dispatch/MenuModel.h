#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace ferrolet {

struct Menu;

// What choosing an item does. The tray adapter and the application core act
// on it; `ferrolet --menu` prints it by MenuActionName.
enum class MenuAction {
    None,         // an information line: greyed
    RunCommand,   // run the command of the item's tag
    ChooseFolder, // a command header: run its command with the folder dialog
    OpenItem,     // open the selected item the line names
    Undo,         // undo the gesture whose journal id is the item's tag
    Preferences,
    About,
    Quit,
};

// "command", "choose-folder", "open", "undo", "preferences", "about", "quit"; empty
// for None.
QString MenuActionName(MenuAction action);

// One menu item as data: the builders make these, the tray adapter renders
// them into QMenus, and tests read them with no display.
struct MenuItem {
    QString title;
    MenuAction action = MenuAction::None;
    int tag = 0;          // command identifier; 0 when not set
    QString tooltip;      // empty: none
    std::string iconPath; // file whose icon the item shows; empty: none
    std::shared_ptr<Menu> submenu;
    bool separator = false;
    bool explicitlyDisabled = false; // setEnabled: NO
    // Why a destination is greyed ("read-only", …); empty for other items.
    QString unavailableReason;

    // An item with an action is enabled; one without shows greyed, except an
    // item with a submenu, which stays enabled so that its submenu opens.
    bool IsEnabled() const {
        if (separator || explicitlyDisabled) {
            return false;
        }
        return action != MenuAction::None || submenu != nullptr;
    }

    static MenuItem Separator() {
        MenuItem item;
        item.separator = true;
        return item;
    }
    static MenuItem Info(const QString& title) {
        MenuItem item;
        item.title = title;
        return item;
    }
};

struct Menu {
    std::vector<MenuItem> items;

    MenuItem& Append(MenuItem item) {
        items.push_back(std::move(item));
        return items.back();
    }
    void AppendSeparator() { items.push_back(MenuItem::Separator()); }
};

// The text form used by `ferrolet --menu`: one item per line, two spaces per
// submenu level, then the title; then, each after a tab, "tag=N", "action=NAME" (MenuActionName),
// "disabled", "tip=TEXT" where they apply; a separator is "---". Tabs,
// newlines and other control characters in texts are escaped so every item
// stays on one line.
QString MenuToText(const Menu& menu);

} // namespace ferrolet
