#include "AppCore.h"
#include "services/HandleMenuSelection.h"

#include "ClosingBlock.h"
#include "MenuBuilder.h"
#include "MoveServiceMenuBuilder.h"
#include "dispatch/CommandDispatch.h"
#include "fileops/commands/CutStateFile.h"

#include <thread>

namespace ferrolet {

AppCore::AppCore(SettingsStore& settings, Platform& platform, Menus menus)
    : m_settings(settings), m_platform(platform), m_standardFolders(FillStandardFolderTable()) {
    // Items cut before a quit, a crash or a reboot can still be pasted.
    LoadCutState(m_cut);
    onCommand = [this](const MenuItem& item) {
        CommandContext ctx = Context();
        DispatchMenuCommand(ctx, item);
    };
    if (menus == Menus::AtStart) {
        Setup();
    }
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
    if (item.action == MenuAction::Preferences) {
        Preferences();
    } else if (item.action == MenuAction::About) {
        About();
    } else if (item.action == MenuAction::Quit) {
        Quit();
    } else if (item.action == MenuAction::OpenItem) {
        // The selection submenu's items carry their path as tooltip.
        if (!item.tooltip.isEmpty()) {
            m_platform.OpenItem(item.tooltip.toStdString());
        }
    } else if (onCommand && item.action != MenuAction::None) {
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

void AppCore::HandleServiceRequest(const MoveServiceWindowHooks& window, const QStringList& paths,
                                   const QString& userData) {
    CommandContext ctx = Context();
    ServiceTarget target{ctx, m_standardFolders, window};
    HandleMenuSelection(target, paths, userData);
}

} // namespace ferrolet
