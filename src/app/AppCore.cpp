#include "AppCore.h"
#include "services/HandleMenuSelection.h"

#include "ClosingBlock.h"
#include "MenuBuilder.h"
#include "MoveServiceMenuBuilder.h"
#include "UndoCommands.h"
#include "dispatch/CommandDispatch.h"
#include "fileops/commands/CutStateFile.h"
#include "history/Recovery.h"

#include "util/Log.h"

#include <thread>
#include <utility>

namespace ferrolet {

AppCore::AppCore(SettingsStore& settings, Platform& platform, Menus menus)
    : m_settings(settings), m_platform(platform), m_standardFolders(FillStandardFolderTable()) {
    onCommand = [this](const MenuItem& item) {
        CommandContext ctx = Context();
        DispatchMenuCommand(ctx, item);
    };
    if (menus == Menus::AtStart) {
        Setup();
    }
}

void AppCore::Setup() {
    // Read with every build, not once at start: items cut before a quit, a
    // crash or a reboot can still be pasted, and a Cut or Paste in another
    // process since the last menu changes whether Paste Items can be chosen.
    LoadCutState(m_cut);
    // Each build takes its own snapshot; the Move Service menu's, taken
    // second, is the one the commands act on.
    MenuBuildInputs inputs{m_settings, m_selection, m_extensionFolderMap, m_cut};
    BuildMenu(inputs, m_statusMenu);
    BuildMoveServiceMenu(inputs, m_moveServiceMenu);
}

CommandContext AppCore::Context() {
    CommandContext ctx{m_settings, m_platform,           m_selection, m_extensionFolderMap,
                       m_cut,      updatePathnamesTable, nullptr};
    ctx.watcher = watcher;
    return ctx;
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
    } else if (item.action == MenuAction::Undo) {
        RunAlone([this, &item] { RunUndoOfGesture(*this, item.tag); });
    } else if (onCommand && item.action != MenuAction::None) {
        RunAlone([this, &item] {
            RecoverBeforeCommand(m_platform);
            onCommand(item);
        });
    }
}

bool AppCore::RunAlone(const std::function<void()>& command) {
    if (m_commandRunning) {
        // Chosen while a command turns the event loop (its progress window
        // or folder dialog): one command at a time.
        m_platform.Beep();
        Log(QStringLiteral("Ferrolet: A command is still running; the one chosen meanwhile was "
                           "not started."));
        return false;
    }
    m_commandRunning = true;
    command();
    m_commandRunning = false;
    return true;
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
    RecoverBeforeCommand(m_platform);
    CommandContext ctx = Context();
    ServiceTarget target{ctx, m_standardFolders, window};
    // A command chosen in the menu while the request turns the event loop
    // (a folder dialog, the progress window) is not started inside it.
    const bool wasRunning = std::exchange(m_commandRunning, true);
    HandleMenuSelection(target, paths, userData);
    m_commandRunning = wasRunning;
}

} // namespace ferrolet
