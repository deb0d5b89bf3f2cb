// The installed service declarations: valid files, every file manager
// offering each entry once, and each declared command line run as its file
// manager would run it (no bus: ferrolet runs the request itself).
#include "ServiceFixture.h"
#include "SplitExec.h"
#include "services/ServiceEntries.h"

#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace ferrolet::test {
namespace {

namespace fs = std::filesystem;
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;
const std::string kShare = FERROLET_BUILD_SHARE;

KeyFile ReadKeyFile(const std::string& path) {
    KeyFile file;
    std::ifstream in(path);
    std::string group;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('[') && line.ends_with(']')) {
            group = line.substr(1, line.size() - 2);
        } else if (const size_t eq = line.find('='); eq != std::string::npos && line[0] != '#') {
            file[group][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return file;
}

struct Declared {
    std::string where;
    std::vector<std::string> argv; // "ferrolet" first, or the script to run
};

// Every declared command line, per file manager.
std::map<std::string, std::vector<Declared>> AllFileManagers() {
    std::map<std::string, std::vector<Declared>> all;
    const std::string dolphin = kShare + "/kio/servicemenus/com.quorvane.Ferrolet.desktop";
    const KeyFile file = ReadKeyFile(dolphin);
    std::string actions = file.at("Desktop Entry").at("Actions");
    for (size_t semi; (semi = actions.find(';')) != std::string::npos; actions.erase(0, semi + 1)) {
        const std::string action = actions.substr(0, semi);
        all["dolphin"].push_back(
            {action, SplitExec(file.at("Desktop Action " + action).at("Exec"))});
    }
    for (const auto& entry : fs::directory_iterator(kShare + "/nemo/actions")) {
        all["nemo"].push_back(
            {entry.path(), SplitExec(ReadKeyFile(entry.path()).at("Nemo Action").at("Exec"))});
    }
    QFile uca(QString::fromStdString(kShare + "/ferrolet/thunar-uca.xml"));
    EXPECT_TRUE(uca.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&uca);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"command") {
            all["thunar"].push_back({"uca.xml", SplitExec(xml.readElementText().toStdString())});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const char* scripts : {"nautilus", "caja"}) {
        for (const auto& entry :
             fs::directory_iterator(kShare + "/ferrolet/" + scripts + "-scripts/Ferrolet")) {
            EXPECT_NE(entry.status().permissions() & fs::perms::owner_exec, fs::perms::none)
                << entry.path();
            all[scripts].push_back({entry.path(), {entry.path(), "%F"}});
        }
    }
    return all;
}

// The user data a declared line hands over: what follows --service.
std::string UserDataOf(const Declared& declared) {
    const auto& a = declared.argv;
    if (a.size() == 4 && a[0] == "ferrolet" && a[1] == "--service" && a[3] == "%F") {
        return a[2];
    }
    std::ifstream in(a[0]); // a script: its exec line, read the same way
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> args =
            line.starts_with("exec ") ? SplitExec(line.substr(5)) : std::vector<std::string>{};
        if (args.size() == 4 && args[0] == "ferrolet" && args[1] == "--service" &&
            args[3] == "$@") {
            return args[2];
        }
    }
    return "<malformed: " + declared.where + ">";
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
        for (const Declared& declared : commands) {
            offered.insert(UserDataOf(declared));
        }
        EXPECT_EQ(std::set<std::string>(offered.begin(), offered.end()), expected) << fileManager;
        EXPECT_EQ(offered.size(), expected.size()) << fileManager;
    }
}

class DeclaredCommands : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        for (const char* name :
             {"PATH", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            m_savedEnv[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        // ferrolet on the PATH as installed; an xdg-open that records what
        // the reveal fallback opens.
        fs::create_symlink(FERROLET_BINARY, MakeDir("bin") + "/ferrolet");
        WriteFile("bin/xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + Path("opened") + "\"\n");
        fs::permissions(Path("bin/xdg-open"), fs::perms::owner_all);
        setenv("PATH", (Path("bin") + ":" + m_savedEnv["PATH"].value_or("/usr/bin:/bin")).c_str(),
               1);
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + Path("no-bus")).c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override {
        for (const auto& [name, value] : m_savedEnv) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        ServiceFixture::TearDown();
    }
    std::map<std::string, std::optional<std::string>> m_savedEnv;
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
        for (const Declared& declared : commands) {
            const std::string name = "sample " + std::to_string(++n) + " \"" + fileManager + "\"";
            const std::string sample = WriteFile("Downloads/" + name, name);
            std::vector<std::string> argv = declared.argv;
            for (std::string& arg : argv) {
                arg = arg == "%F" ? sample : arg == "ferrolet" ? FERROLET_BINARY : arg;
            }
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
