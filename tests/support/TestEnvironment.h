#pragma once

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace ferrolet::test {

// A private home for one test: HOME and the XDG folders point into a fresh
// temporary folder that is removed afterwards, so no test touches the user's
// settings or held items. Log lines are captured instead of reaching syslog.
class TempHome : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Absolute path of a name inside the temporary home.
    std::string Path(const std::string& relative) const;
    // Makes a folder (and its parents); returns its path.
    std::string MakeDir(const std::string& relative) const;
    // Writes a file (parents made); returns its path.
    std::string WriteFile(const std::string& relative, const std::string& contents = "x") const;
    static std::string ReadFile(const std::string& path);
    static bool Exists(const std::string& path);

    // The log lines written since SetUp (or since ClearLog).
    const QStringList& LogLines() const;
    void ClearLog();

    std::string m_root;
};

// Runs a program with arguments (no shell) and gives its exit status, with
// standard output in *out when asked.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr,
               const std::string& stdinText = {});

// The source tree (for test data and helper scripts).
std::string SourceDir();

} // namespace ferrolet::test
