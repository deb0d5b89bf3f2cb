#include "DestinationCommandFixture.h"

#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <QRegularExpression>

#include <algorithm>
#include <filesystem>
#include <sys/xattr.h>

namespace ferrolet::test {

void DestinationCommandTest::SetUp() {
    TempHome::SetUp();
    m_settings = std::make_unique<SettingsStore>();
    m_ctx = std::make_unique<CommandContext>(CommandContext{*m_settings, m_platform, m_selection,
                                                            m_extensionMap, m_cut,
                                                            [this] { ++m_tableUpdates; }, nullptr});
}

void DestinationCommandTest::TearDown() {
    m_ctx.reset();
    m_settings.reset();
    TempHome::TearDown();
}

void DestinationCommandTest::Select(const std::vector<std::string>& paths) {
    m_selection = SelectionSnapshot{};
    m_selection.hasArray = true;
    for (const std::string& path : paths) {
        FileRef ref;
        FileRef::FromPath(path, ref);
        m_selection.items.push_back(ref);
    }
    m_selection.count = static_cast<int32_t>(paths.size());
}

void DestinationCommandTest::SetDestinations(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& path : paths) {
        list << QString::fromStdString(path);
    }
    StoreDestinationPathnames(*m_settings, list);
}

void DestinationCommandTest::SetSwitch(const QString& key, bool on) {
    m_settings->SetAppValue(key, on);
    m_settings->Synchronize();
}

void DestinationCommandTest::SetSound(const QString& name) {
    m_settings->SetAppValue(keys::LastSelectedSound, name);
    m_settings->Synchronize();
}

std::optional<std::string> DestinationCommandTest::Comment(const std::string& path) {
    char buffer[4096];
    const ssize_t n = lgetxattr(path.c_str(), "user.xdg.comment", buffer, sizeof buffer);
    if (n < 0) {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<size_t>(n));
}

bool DestinationCommandTest::SetComment(const std::string& path, const std::string& text) {
    return lsetxattr(path.c_str(), "user.xdg.comment", text.data(), text.size(), 0) == 0;
}

std::vector<std::string> DestinationCommandTest::Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int DestinationCommandTest::CountLog(const QString& pattern) const {
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern));
    int n = 0;
    for (const QString& line : LogLines()) {
        n += re.match(line).hasMatch() ? 1 : 0;
    }
    return n;
}

bool IsUniqueForm(const std::string& name, const std::string& base, const std::string& rest) {
    static const QRegularExpression uuid(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")));
    const std::string prefix = base + " - ";
    if (name.size() != prefix.size() + 36 + rest.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - rest.size(), rest.size(), rest) != 0) {
        return false;
    }
    return uuid.match(QString::fromStdString(name.substr(prefix.size(), 36))).hasMatch();
}

} // namespace ferrolet::test
