#pragma once

#include "TestEnvironment.h"
#include "contextmenus/ContextMenuInstaller.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace ferrolet::test {

// A private home with a destination list, a selection script that names a
// file nobody right-clicked (standing in for the clipboard), no session bus
// and no display, so the built program runs each request itself.
class MenuFilesFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        for (const char* name :
             {"FERROLET_DATA_DIR", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            m_savedEnv[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        m_clipboard = WriteFile("elsewhere/clipboard.txt", "clipboard");
        WriteFile("data/selection", "#!/bin/sh\nprintf '%s\\n' '" + m_clipboard + "'\n");
        chmod(Path("data/selection").c_str(), 0755);
        setenv("FERROLET_DATA_DIR", Path("data").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + Path("no-bus")).c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        m_settings = std::make_unique<SettingsStore>();
        m_places = HomeContextMenuPlaces();
    }

    void TearDown() override {
        m_settings.reset();
        for (const auto& [name, value] : m_savedEnv) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        TempHome::TearDown();
    }

    void SetDestinations(const QStringList& paths) {
        StoreDestinationPathnames(*m_settings, paths);
        m_settings->Synchronize();
    }

    ContextMenuModel Model() { return ContextMenuModelFromSettings(*m_settings, FERROLET_BINARY); }

    std::unique_ptr<SettingsStore> m_settings;
    ContextMenuPlaces m_places;
    std::string m_clipboard;
    std::map<std::string, std::optional<std::string>> m_savedEnv;
};

} // namespace ferrolet::test
