#pragma once

#include "CommandRunFixture.h"

#include <QString>
#include <QStringList>

#include <ostream>
#include <string>
#include <vector>

namespace ferrolet::test {

// The command fixture with what the wrap, cut and paste tests look at: the
// names in a folder, log lines by their start, settings of any type.
class CommandTest : public CommandRunFixture {
protected:
    void SetUp() override {
        CommandRunFixture::SetUp();
        m_settings->SetAppValue(keys::LastSelectedSound, QVariant());
        ASSERT_TRUE(m_settings->Synchronize());
    }
    void SetBool(const QString& key, bool value) { SetOption(key, value); }
    void SetString(const QString& key, const QString& value) {
        m_settings->SetAppValue(key, value);
        ASSERT_TRUE(m_settings->Synchronize());
    }
    CommandContext& Context() { return *m_ctx; }
    // The names in a folder, sorted, without "." and "..".
    static std::vector<std::string> Names(const std::string& folder);
    // The log lines that start with prefix.
    QStringList LinesStartingWith(const QString& prefix) const;
};

} // namespace ferrolet::test

// Failure messages show strings as text rather than as code units.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
