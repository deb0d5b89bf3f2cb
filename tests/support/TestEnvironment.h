#pragma once

#include "platform/FileRef.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ferrolet::test {

// A private home for one test: HOME and the XDG folders point into a fresh
// temporary folder that is removed afterwards, so no test touches the user's
// settings or held items. Log lines are captured instead of reaching syslog.
class TempHome : public ::testing::Test {
public:
    static std::string ReadFile(const std::string& path);
    static bool Exists(const std::string& path);
    // Entry names of a folder, sorted, hidden ones included.
    static std::vector<std::string> Names(const std::string& folder);
    // The inode of the entry itself (0 when there is none).
    static ino_t Inode(const std::string& path);
    // A reference to the item at path (a link as itself), failing the test
    // when there is none; FolderRef follows a link to its folder.
    static FileRef Ref(const std::string& path);
    static FileRef FolderRef(const std::string& path);
    // The comment in user.xdg.comment; SetComment is false where the file
    // system holds no user attributes.
    static std::optional<std::string> Comment(const std::string& path);
    static bool SetComment(const std::string& path, const std::string& text);

protected:
    void SetUp() override;
    void TearDown() override;

    // Absolute path of a name inside the temporary home.
    std::string Path(const std::string& relative) const;
    // Makes a folder (and its parents); returns its path.
    std::string MakeDir(const std::string& relative) const;
    // Writes a file (parents made); returns its path.
    std::string WriteFile(const std::string& relative, const std::string& contents = "x") const;

    // The log lines written since SetUp (or since ClearLog).
    const QStringList& LogLines() const;
    // How many log lines match pattern as a whole (a regular expression).
    int CountLog(const QString& pattern) const;
    void ClearLog();

    std::string m_root;
};

// Paths as the string list the Qt side takes.
QStringList Paths(const std::vector<std::string>& paths);

// Runs a program with arguments (no shell) and gives its exit status, with
// standard output in *out when asked.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr);

} // namespace ferrolet::test
