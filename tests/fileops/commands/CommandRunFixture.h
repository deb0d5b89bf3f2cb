#pragma once

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "fileops/commands/CommandContext.h"
#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <sys/stat.h>

namespace ferrolet::test {

// A command run against real files in a private home: the selection, the
// destination list and the settings are set up by the test, the desktop is
// FakePlatform.
class CommandRunFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        m_settings = std::make_unique<SettingsStore>();
        m_ctx = std::make_unique<CommandContext>(
            CommandContext{*m_settings, m_platform, m_selection, m_extensions, m_cut, {}, nullptr});
        m_settings->SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
        m_settings->Synchronize();
    }
    void TearDown() override {
        m_ctx.reset();
        m_settings.reset();
        TempHome::TearDown();
    }

    void Select(const std::vector<std::string>& paths) {
        m_selection.items.clear();
        for (const std::string& path : paths) {
            FileRef ref;
            FileRef::FromPath(path, ref); // a path naming nothing stays an invalid slot
            m_selection.items.push_back(ref);
        }
        m_selection.hasArray = true;
        m_selection.count = static_cast<int32_t>(paths.size());
    }
    void SetDestinations(const std::vector<std::string>& folders) {
        QStringList paths;
        for (const std::string& folder : folders) {
            paths << QString::fromStdString(folder);
        }
        StoreDestinationPathnames(*m_settings, paths);
    }
    void SetOption(const QString& key, bool on) { WriteBoolPref(*m_settings, key, on ? 1 : 0); }

    static ino_t Inode(const std::string& path) {
        struct stat st {};
        return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    FakePlatform m_platform;
    SelectionSnapshot m_selection;
    QMap<QString, QString> m_extensions;
    CutState m_cut;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<CommandContext> m_ctx;
};

} // namespace ferrolet::test
