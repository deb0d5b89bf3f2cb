#pragma once

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "fileops/commands/CommandContext.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ferrolet::test {

// A private home with real settings, a recording platform and a selection
// snapshot that a test fills as a menu build would, for running the
// destination commands against real folders.
class DestinationCommandTest : public TempHome {
protected:
    void SetUp() override;
    void TearDown() override;

    // The snapshot as a menu build leaves it: one slot per path, a path that
    // names nothing giving an invalid slot. Items are never followed.
    void Select(const std::vector<std::string>& paths);
    // The destination-folder list, stored as the preferences window would.
    void SetDestinations(const std::vector<std::string>& paths);
    void SetSwitch(const QString& key, bool on);
    void SetSound(const QString& name);

    static std::optional<std::string> Comment(const std::string& path);
    // False when the file system holds no user attributes.
    static bool SetComment(const std::string& path, const std::string& text);
    // Entry names of a folder, sorted.
    static std::vector<std::string> Names(const std::string& folder);
    // Log lines matching a pattern (QRegularExpression, anchored).
    int CountLog(const QString& pattern) const;

    std::unique_ptr<SettingsStore> m_settings;
    FakePlatform m_platform;
    SelectionSnapshot m_selection;
    QMap<QString, QString> m_extensionMap;
    CutState m_cut;
    int m_tableUpdates = 0;
    std::unique_ptr<CommandContext> m_ctx;
};

// "<base> - <UUID><rest>": the unique form of a clashing name.
bool IsUniqueForm(const std::string& name, const std::string& base, const std::string& rest);

} // namespace ferrolet::test
