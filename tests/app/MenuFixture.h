#pragma once

// A private home with a real selection script in a temporary data folder,
// real folders and the real settings file, for building whole menus.
#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "app/AppCore.h"
#include "dispatch/MenuModel.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet::test {

class MenuFixture : public TempHome {
public:
    using TempHome::MakeDir;
    using TempHome::Path;
    using TempHome::WriteFile;

    void SetUp() override {
        TempHome::SetUp();
        if (const char* old = std::getenv("FERROLET_DATA_DIR")) {
            m_oldDataDir = old;
        }
        m_dataDir = MakeDir("data");
        setenv("FERROLET_DATA_DIR", m_dataDir.c_str(), 1);
        // The script prints the list file as it stands when it runs.
        const std::string script = m_dataDir + "/selection";
        std::ofstream(script) << "#!/bin/sh\nexec cat '" << m_dataDir << "/list'\n";
        chmod(script.c_str(), 0755);
        SelectPaths({});
        m_store = std::make_unique<SettingsStore>();
    }
    void TearDown() override {
        setenv("FERROLET_DATA_DIR", m_oldDataDir.c_str(), 1);
        TempHome::TearDown();
    }

    // What the selection script prints next: one line per path, as given.
    void SelectPaths(const std::vector<std::string>& paths) {
        std::string text;
        for (const std::string& p : paths) {
            text += p + "\n";
        }
        std::ofstream(m_dataDir + "/list", std::ios::binary) << text;
    }
    void SetDestinations(const std::vector<std::string>& paths) {
        FolderList(*m_store, keys::PathnamesAliases).SetPathnames(Paths(paths));
    }
    void SetExtensions(const QStringList& extensions, const std::vector<std::string>& folders) {
        m_store->SetAppValue(keys::Extensions, extensions);
        m_store->Synchronize();
        FolderList(*m_store, keys::ExtensionPathsAliases).SetPathnames(Paths(folders));
    }
    void SetSwitches(std::initializer_list<QString> keysOff) {
        for (const QString& key : keysOff) {
            m_store->SetAppValue(key, false);
        }
        m_store->Synchronize();
    }

    // A fresh application core (its construction builds both menus once).
    AppCore& Core() {
        if (!m_core) {
            m_core = std::make_unique<AppCore>(*m_store, m_platform);
        }
        return *m_core;
    }
    std::string MenuText(bool moveService = false) {
        Core().Setup();
        return MenuToText(moveService ? Core().MoveServiceMenu() : Core().StatusMenu())
            .toStdString();
    }

    std::string m_dataDir, m_oldDataDir;
    std::unique_ptr<SettingsStore> m_store;
    FakePlatform m_platform;
    std::unique_ptr<AppCore> m_core;
};

} // namespace ferrolet::test
