// The installed service declarations: every file manager offering each entry
// once, and each declared command line run as its file manager would run it
// (no bus: ferrolet runs the request itself).
#include "FileManagerEntries.h"
#include "ServiceFixture.h"
#include "services/ServiceEntries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace ferrolet::test {
namespace {

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

class DeclaredCommands : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        // ferrolet on the PATH as installed; an xdg-open (the reveal's
        // fallback without a bus) that opens nothing.
        std::filesystem::create_symlink(FERROLET_BINARY, MakeDir("bin") + "/ferrolet");
        std::filesystem::create_symlink("/bin/true", Path("bin/xdg-open"));
        const char* path = std::getenv("PATH");
        SetEnv("PATH", Path("bin") + ":" + (path ? path : "/usr/bin:/bin"));
        SetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Path("no-bus"));
        SetEnv("DISPLAY", std::nullopt);
        SetEnv("WAYLAND_DISPLAY", std::nullopt);
    }
};

// Each file manager offers every entry once, and each declared line moves
// the file it is given into its entry's folder.
TEST_F(DeclaredCommands, EachCommandLineActsOnTheSelectedFile) {
    const std::map<std::string, std::string> moveTo = {
        {"Move to Documents", "Documents"},
        {"Move to Home", ""},
        {"Move to Pictures", "Pictures"},
        {"Move to Movies", "Videos"},
        {"Move to Music", "Music"},
        {"Move to Sites", "public_html"},
        {"Move to Public", "Public"},
        {"Move to Desktop", "Desktop"},
        {"Move to Desktop Pictures", "Pictures/Wallpapers"}};
    std::multiset<std::string> entries;
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action == ServiceAction::MoveToStandardFolder ||
            entry.action == ServiceAction::RunWithFolderDialog) {
            entries.insert(entry.userData);
        }
    }
    int n = 0;
    for (const auto& [fileManager, commands] : AllFileManagers()) {
        std::multiset<std::string> offered;
        for (const FileManagerEntry& declared : commands) {
            const std::string name = "sample " + std::to_string(++n) + " \"" + fileManager + "\"";
            const std::string sample = WriteFile("Downloads/" + name, name);
            std::string out;
            EXPECT_EQ(RunProgram(declared.argv({sample}), &out), 0) << declared.where << out;
            offered.insert(UserDataOf(declared));
            const auto folder = moveTo.find(UserDataOf(declared));
            if (folder == moveTo.end()) {
                // "to Select": no display for the folder dialog, so it stays.
                EXPECT_EQ(ReadFile(sample), name) << declared.where;
            } else {
                EXPECT_FALSE(Exists(sample)) << declared.where;
                const std::string in = folder->second.empty() ? "" : folder->second + "/";
                EXPECT_EQ(ReadFile(Path("home/" + in + name)), name) << declared.where;
            }
        }
        EXPECT_EQ(offered, entries) << fileManager;
    }
}

} // namespace
} // namespace ferrolet::test
