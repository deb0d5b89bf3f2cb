#pragma once

#include "TestEnvironment.h"
#include "contextmenus/ContextMenuInstaller.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet::test {

// A private home with a destination list, a selection script that names a
// file nobody right-clicked (standing in for the clipboard), no session bus
// and no display, so the built program runs each request itself.
class MenuFilesFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        unsetenv("DISPLAY"); // for the whole program: every test here runs without one
        unsetenv("WAYLAND_DISPLAY");
        m_clipboard = WriteFile("elsewhere/clipboard.txt", "clipboard");
        chmod(WriteFile("data/selection", "#!/bin/sh\necho '" + m_clipboard + "'\n").c_str(), 0755);
        setenv("FERROLET_DATA_DIR", Path("data").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + Path("no-bus")).c_str(), 1);
        m_settings = std::make_unique<SettingsStore>();
        m_places = HomeContextMenuPlaces();
    }
    void TearDown() override {
        m_settings.reset();
        TempHome::TearDown();
    }
    void SetDestinations(const std::vector<std::string>& paths) {
        StoreDestinationPathnames(*m_settings, Paths(paths));
        m_settings->Synchronize();
    }
    ContextMenuModel Model() { return ContextMenuModelFromSettings(*m_settings, FERROLET_BINARY); }

    std::unique_ptr<SettingsStore> m_settings;
    ContextMenuPlaces m_places;
    std::string m_clipboard;
};

} // namespace ferrolet::test
