// The installed service declarations: valid files, every file manager
// offering each entry once, and each declared command line run as its file
// manager would run it (no bus: ferrolet runs the request itself).
#include "FileManagerEntries.h"
#include "ServiceFixture.h"
#include "services/ServiceEntries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace ferrolet::test {
namespace {

namespace fs = std::filesystem;
const std::string kShare = FERROLET_BUILD_SHARE;

// Every declared entry, per file manager.
std::map<std::string, std::vector<FileManagerEntry>> AllFileManagers() {
    return {{"dolphin", DolphinEntries(kShare + "/kio/servicemenus/com.quorvane.Ferrolet.desktop")},
            {"nemo", NemoEntries(kShare + "/nemo/actions")},
            {"thunar", ThunarEntries(kShare + "/ferrolet/thunar-uca.xml")},
            {"nautilus", ScriptEntries(kShare + "/ferrolet/nautilus-scripts/Ferrolet", false)},
            {"caja", ScriptEntries(kShare + "/ferrolet/caja-scripts/Ferrolet", false)}};
}

// The user data a declared line hands over: what follows --service (in a
// script, on its exec line).
std::string UserDataOf(const FileManagerEntry& entry) {
    std::istringstream lines(entry.line);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> args =
            SplitExec(line.starts_with("exec ") ? line.substr(5) : line);
        if (args.size() == 4 && args[0] == "ferrolet" && args[1] == "--service" &&
            (args[3] == "%F" || args[3] == "$@")) {
            return args[2];
        }
    }
    return "<malformed: " + entry.where + ">";
}

TEST(Declarations, EntriesAreValidAndEveryFileManagerOffersTheFourteenOnce) {
    const std::string desktop = kShare + "/applications/com.quorvane.Ferrolet.desktop";
    std::string out;
    EXPECT_EQ(RunProgram({"desktop-file-validate", desktop}, &out), 0) << out;
    EXPECT_EQ(out, "");
    const KeyFile file = ReadKeyFile(desktop);
    EXPECT_EQ(SplitExec(file.at("Desktop Action move-service-window").at("Exec")),
              (std::vector<std::string>{"ferrolet", "--service", "Open Move Service Window", "/"}));
    const std::string exec = ReadKeyFile(kShare + "/dbus-1/services/com.quorvane.Ferrolet.service")
                                 .at("D-BUS Service")
                                 .at("Exec");
    EXPECT_TRUE(exec.starts_with('/') && exec.ends_with("/ferrolet")) << exec;

    std::set<std::string> expected;
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action == ServiceAction::MoveToStandardFolder ||
            entry.action == ServiceAction::RunWithFolderDialog) {
            expected.insert(entry.userData);
        }
    }
    ASSERT_EQ(expected.size(), 14u);
    for (const auto& [fileManager, commands] : AllFileManagers()) {
        std::multiset<std::string> offered;
        for (const FileManagerEntry& entry : commands) {
            offered.insert(UserDataOf(entry));
        }
        EXPECT_EQ(std::set<std::string>(offered.begin(), offered.end()), expected) << fileManager;
        EXPECT_EQ(offered.size(), expected.size()) << fileManager;
    }
}

class DeclaredCommands : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        // ferrolet on the PATH as installed; an xdg-open that records what
        // the reveal fallback opens.
        fs::create_symlink(FERROLET_BINARY, MakeDir("bin") + "/ferrolet");
        WriteFile("bin/xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + Path("opened") + "\"\n");
        fs::permissions(Path("bin/xdg-open"), fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        SetEnv("PATH", Path("bin") + ":" + (path ? path : "/usr/bin:/bin"));
        SetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Path("no-bus"));
        SetEnv("DISPLAY", std::nullopt);
        SetEnv("WAYLAND_DISPLAY", std::nullopt);
    }
};

TEST_F(DeclaredCommands, EachCommandLineActsOnTheSelectedFile) {
    std::map<std::string, StandardFolder> destination;
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action == ServiceAction::MoveToStandardFolder) {
            destination[entry.userData] = entry.folder;
        }
    }
    int n = 0;
    for (const auto& [fileManager, commands] : AllFileManagers()) {
        for (const FileManagerEntry& declared : commands) {
            const std::string name = "sample " + std::to_string(++n) + " \"" + fileManager + "\"";
            const std::string sample = WriteFile("Downloads/" + name, name);
            const std::vector<std::string> argv = declared.argv({sample});
            std::string out;
            EXPECT_EQ(RunProgram(argv, &out), 0) << declared.where << out;
            const auto moveTo = destination.find(UserDataOf(declared));
            if (moveTo == destination.end()) {
                // "to Select": no display for the folder dialog, so it stays.
                EXPECT_EQ(ReadFile(sample), name) << declared.where;
            } else {
                EXPECT_FALSE(Exists(sample)) << declared.where;
                EXPECT_EQ(ReadFile(FolderPath(moveTo->second) + "/" + name), name)
                    << declared.where;
            }
        }
    }
    EXPECT_EQ(n, 70);
    EXPECT_NE(ReadFile(Path("opened")).find(FolderPath(StandardFolder::Documents)),
              std::string::npos)
        << "the moved items were shown through the fallback";
}

} // namespace
} // namespace ferrolet::test
