#pragma once

#include "dispatch/MenuModel.h"
#include "dispatch/StandardFolders.h"
#include "filemanager/Selection.h"
#include "fileops/commands/CommandContext.h"
#include "fileops/commands/CutState.h"
#include "platform/Platform.h"
#include "services/MoveServiceWindowHooks.h"
#include "settings/SettingsStore.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace ferrolet {

// The application's state and logic, free of widgets: the menus as data, the
// standard-folder table and the extension map, with the settings and the
// desktop services it works through. The tray, the windows and the command
// line all drive one AppCore.
class AppCore {
public:
    // The menus are built at once, as a launch does, unless menus says
    // Later: the command line builds them itself for the selection it acts
    // on, and a first build would only read the selection for nothing.
    enum class Menus { AtStart, Later };
    AppCore(SettingsStore& settings, Platform& platform, Menus menus = Menus::AtStart);

    // Rebuilds both menus (the status menu, then the Move Service menu) from
    // the current settings, folder lists and selection.
    void Setup();

    const Menu& StatusMenu() const { return m_statusMenu; }
    const Menu& MoveServiceMenu() const { return m_moveServiceMenu; }

    SettingsStore& Settings() { return m_settings; }
    Platform& Desktop() { return m_platform; }
    const StandardFolderTable& StandardFolders() const { return m_standardFolders; }

    // Extension → folder path, refilled by menu builds that see an item with
    // an extension; Put In Its Place reads it as the last build left it.
    QMap<QString, QString>& ExtensionFolderMap() { return m_extensionFolderMap; }

    // The selection snapshot taken by the last menu build; commands act on it.
    SelectionSnapshot& Selection() { return m_selection; }
    CutState& Cut() { return m_cut; }

    // The context the commands run in.
    CommandContext Context();
    // Refreshes an open preferences window's destination table; set by the
    // window layer.
    std::function<void()> updatePathnamesTable;
    // Follows every command run (the progress window); set by the window
    // layer.
    RunWatcher* watcher = nullptr;

    // The fixed actions of the closing block.
    void About();
    void Preferences();
    void Quit();
    // Runs a chosen menu item as its action says (a command, Preferences,
    // About, Quit, …); items without an action do nothing.
    void Perform(const MenuItem& item);
    // Whether a chosen item is running (it may run the event loop: dialogs,
    // progress).
    bool Performing() const { return m_performing > 0; }
    // Whether a command is running: it may turn the event loop (dialogs,
    // progress), and another command chosen meanwhile is not started
    // inside it.
    bool CommandRunning() const { return m_commandRunning; }
    // Runs command unless another command is running; false when it was not
    // run (the user hears a beep and the log says why).
    bool RunAlone(const std::function<void()>& command);

    // Runs one service request (HandleMenuSelection) on the application's
    // own state.
    void HandleServiceRequest(const MoveServiceWindowHooks& window, const QStringList& paths,
                              const QString& userData);

    // Drops the menus' models once nothing shows them; the next opening
    // builds them anew. The selection snapshot stays: commands act on it.
    void ReleaseMenus();

    // Hooks the window layer fills in (About box, preferences window, quit).
    std::function<void()> onAbout;
    std::function<void()> onPreferences;
    std::function<void()> onQuit;
    // Receives RunCommand and ChooseFolder items (the command dispatch).
    std::function<void(const MenuItem&)> onCommand;

private:
    int m_performing = 0;
    bool m_commandRunning = false;
    SettingsStore& m_settings;
    Platform& m_platform;
    StandardFolderTable m_standardFolders;
    QMap<QString, QString> m_extensionFolderMap;
    SelectionSnapshot m_selection;
    CutState m_cut;
    Menu m_statusMenu;
    Menu m_moveServiceMenu;
};

} // namespace ferrolet
