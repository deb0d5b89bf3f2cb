#include "AppCore.h"

#include "ClosingBlock.h"
#include "CommandDispatch.h"
#include "MenuBuilder.h"
#include "MoveServiceMenuBuilder.h"
#include "fileops/CutStateFile.h"

#include <thread>

namespace ferrolet {

AppCore::AppCore(SettingsStore& settings, Platform& platform)
    : m_settings(settings), m_platform(platform), m_standardFolders(FillStandardFolderTable()) {
    // Items cut before a quit, a crash or a reboot can still be pasted.
    LoadCutState(m_cut);
    onCommand = [this](const MenuItem& item) {
        CommandContext ctx = Context();
        DispatchMenuCommand(ctx, item);
    };
    Setup();
}

void AppCore::Setup() {
    // Each build takes its own snapshot; the Move Service menu's, taken
    // second, is the one the commands act on.
    MenuBuildInputs inputs{m_settings, m_selection, m_extensionFolderMap, m_cut};
    BuildMenu(inputs, m_statusMenu);
    BuildMoveServiceMenu(inputs, m_moveServiceMenu);
}

CommandContext AppCore::Context() {
    return CommandContext{m_settings, m_platform,           m_selection, m_extensionFolderMap,
                          m_cut,      updatePathnamesTable, progress};
}

void AppCore::ReleaseMenus() {
    m_statusMenu.items.clear();
    m_statusMenu.items.shrink_to_fit();
    m_moveServiceMenu.items.clear();
    m_moveServiceMenu.items.shrink_to_fit();
}

void AppCore::Perform(const MenuItem& item) {
    ++m_performing;
    struct Done {
        int& count;
        ~Done() { --count; }
    } done{m_performing};
    if (item.action == kSelItemPreferences) {
        Preferences();
    } else if (item.action == kSelItemAbout) {
        About();
    } else if (item.action == kSelItemQuit) {
        Quit();
    } else if (item.action == QLatin1String("openItem")) {
        // The selection submenu's items carry their path as tooltip.
        if (!item.tooltip.isEmpty()) {
            m_platform.OpenItem(item.tooltip.toStdString());
        }
    } else if (onCommand && !item.action.isEmpty()) {
        onCommand(item);
    }
}

void AppCore::About() {
    m_platform.BringToFront();
    if (onAbout) {
        onAbout();
    }
}

void AppCore::Preferences() {
    m_platform.BringToFront();
    if (onPreferences) {
        onPreferences();
    }
}

void AppCore::Quit() {
    if (onQuit) {
        onQuit();
    }
}

void AppCore::SelItem1() {
    m_platform.Beep();
}

void AppCore::SelItem2() {
    m_platform.Beep();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    m_platform.Beep();
}

} // namespace ferrolet
