#include "CommandFixture.h"

#include "settings/FolderLists.h"
#include "util/AppPaths.h"

#include <QRegularExpression>

#include <filesystem>

namespace ferrolet::test {

void CommandTest::SetUp() {
    TempHome::SetUp();
    m_settings = std::make_unique<SettingsStore>();
    m_ctx = std::make_unique<CommandContext>(CommandContext{*m_settings, m_platform, m_selection,
                                                            m_extensions, m_cut,
                                                            [this] { ++m_tableUpdates; }, nullptr});
    m_settings->SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
    ASSERT_TRUE(m_settings->Synchronize());
}

void CommandTest::TearDown() {
    if (!m_otherFs.empty()) {
        std::filesystem::remove_all(m_otherFs);
    }
    m_ctx.reset();
    m_settings.reset();
    TempHome::TearDown();
}

void CommandTest::Select(const std::vector<std::string>& paths) {
    m_selection = SelectionSnapshot{};
    m_selection.hasArray = true;
    for (const std::string& path : paths) {
        FileRef ref;
        FileRef::FromPath(path, ref);
        m_selection.items.push_back(ref);
    }
    m_selection.count = static_cast<int32_t>(paths.size());
}

void CommandTest::SetDestinations(const std::vector<std::string>& folders) {
    StoreDestinationPathnames(*m_settings, Paths(folders));
}

void CommandTest::SetOption(const QString& key, bool on) {
    m_settings->SetAppValue(key, on);
    ASSERT_TRUE(m_settings->Synchronize());
}

std::string CommandTest::OtherFs() {
    char shm[] = "/dev/shm/ferrolet-test-XXXXXX";
    if (m_otherFs.empty() && mkdtemp(shm) != nullptr) {
        m_otherFs = shm;
    } else if (m_otherFs.empty()) { // never an empty path: tests write into it
        ADD_FAILURE() << "no /dev/shm here";
        m_otherFs = MakeDir("no-shm");
    }
    return m_otherFs;
}

QStringList CommandTest::LinesStartingWith(const QString& prefix) const {
    return LogLines().filter(QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

std::vector<std::string> CommandTest::StateNames() {
    std::vector<std::string> names = Names(StateDirectory());
    std::erase_if(names, [](const std::string& n) { return n.starts_with("journal.sqlite"); });
    return names;
}

void CommandTest::RemoveAll(const std::vector<std::string>& relative) const {
    for (const std::string& item : relative) {
        std::filesystem::remove_all(Path(item));
    }
}

bool IsUniqueForm(const std::string& name, const std::string& base, const std::string& rest) {
    static const QRegularExpression uuid(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")));
    const std::string prefix = base + " - ";
    return name.size() == prefix.size() + 36 + rest.size() && name.starts_with(prefix) &&
           name.ends_with(rest) &&
           uuid.match(QString::fromStdString(name.substr(prefix.size(), 36))).hasMatch();
}

} // namespace ferrolet::test
