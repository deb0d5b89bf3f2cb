#pragma once

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "dispatch/StandardFolders.h"
#include "fileops/commands/CommandContext.h"
#include "services/HandleMenuSelection.h"
#include "settings/SettingsKeys.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ferrolet::test {

// A private home with the standard folders found (not made) at start, real
// settings and a recording platform: what a service request runs against.
class ServiceFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        m_settings = std::make_unique<SettingsStore>();
        m_settings->SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
        m_settings->Synchronize();
    }
    void TearDown() override {
        for (const auto& [name, value] : m_savedEnv) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        TempHome::TearDown();
    }
    // Sets (or, without a value, unsets) a variable until the test ends.
    void SetEnv(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        m_savedEnv.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    const std::string& FolderPath(StandardFolder which) {
        if (!m_folders) {
            m_folders = FillStandardFolderTable();
        }
        return (*m_folders)[static_cast<size_t>(which)].path;
    }
    void Handle(const QStringList& paths, const QString& userData) {
        FolderPath(StandardFolder::Home);
        CommandContext ctx{*m_settings, m_platform, m_selection, m_extensionMap,
                           m_cut,       {},         nullptr};
        ServiceTarget target{ctx, *m_folders, m_window};
        HandleMenuSelection(target, paths, userData);
    }
    // The request with a fresh platform and log.
    void HandleAfresh(const QStringList& paths, const QString& userData) {
        m_platform = FakePlatform();
        ClearLog();
        Handle(paths, userData);
    }
    int NotMovedLines() const {
        return static_cast<int>(LogLines().count(QStringLiteral("The object was not moved")));
    }

    std::unique_ptr<SettingsStore> m_settings;
    FakePlatform m_platform;
    SelectionSnapshot m_selection;
    QMap<QString, QString> m_extensionMap;
    CutState m_cut;
    MoveServiceWindowHooks m_window;
    std::optional<StandardFolderTable> m_folders;
    std::map<std::string, std::optional<std::string>> m_savedEnv;
};

} // namespace ferrolet::test
