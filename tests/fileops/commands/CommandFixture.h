#pragma once

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "fileops/commands/CommandContext.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QString>

#include <gmock/gmock.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace ferrolet::test {

// A command run against real files in a private home: real settings, the
// selection and the destination list as the menu and the preferences window
// leave them, and FakePlatform for the desktop. The completion sound is
// "complete" unless a test says otherwise.
class CommandTest : public TempHome {
protected:
    void SetUp() override;
    void TearDown() override;

    // One slot per path, as a menu build leaves the snapshot; a path that
    // names nothing gives an invalid slot. Items are never followed.
    void Select(const std::vector<std::string>& paths);
    // The destination-folder list, stored as the preferences window would.
    void SetDestinations(const std::vector<std::string>& folders);
    void SetOption(const QString& key, bool on);
    CommandContext& Context() { return *m_ctx; }
    // A folder on another file system (/dev/shm), removed after the test.
    std::string OtherFs();
    // The log lines that start with prefix.
    QStringList LinesStartingWith(const QString& prefix) const;
    // The run's one notification ("" when there is none, or more than one).
    std::string Notice() const {
        return m_platform.notifications.size() == 1 ? m_platform.notifications[0].toStdString()
                                                    : std::string();
    }
    // The whole log as one text, for failure messages.
    std::string Log() const { return LogLines().join('\n').toStdString(); }
    // What the state folder holds beside the filing journal.
    static std::vector<std::string> StateNames();
    // Removes these items of the home, so that a table row starts afresh.
    void RemoveAll(const std::vector<std::string>& relative) const;

    std::unique_ptr<SettingsStore> m_settings;
    FakePlatform m_platform;
    SelectionSnapshot m_selection;
    QMap<QString, QString> m_extensions;
    CutState m_cut;
    int m_tableUpdates = 0;
    std::unique_ptr<CommandContext> m_ctx;
    std::string m_otherFs;
};

// "<base> - <UUID><rest>": the unique form of a clashing name.
bool IsUniqueForm(const std::string& name, const std::string& base, const std::string& rest);

} // namespace ferrolet::test

// Failure messages show strings as text rather than as code units.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
