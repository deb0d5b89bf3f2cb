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

using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

// Reads a desktop-entry style file: [group] lines and key=value lines.
KeyFile ReadKeyFile(const std::string& path) {
    KeyFile file;
    std::ifstream in(path);
    std::string line;
    std::string group;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            file[group][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return file;
}

struct Declared {
    std::string where;             // the file it came from
    std::vector<std::string> argv; // "ferrolet" first, or the script to run
};

const std::string kShare = FERROLET_BUILD_SHARE;

std::vector<Declared> DolphinCommands() {
    std::vector<Declared> out;
    const std::string path = kShare + "/kio/servicemenus/com.quorvane.Ferrolet.desktop";
    const KeyFile file = ReadKeyFile(path);
    std::string actions = file.at("Desktop Entry").at("Actions");
    size_t pos = 0;
    while ((pos = actions.find(';')) != std::string::npos) {
        const std::string action = actions.substr(0, pos);
        actions.erase(0, pos + 1);
        out.push_back(
            {path + " " + action, test::SplitExec(file.at("Desktop Action " + action).at("Exec"))});
    }
    return out;
}

std::vector<Declared> NemoCommands() {
    std::vector<Declared> out;
    for (const auto& entry : std::filesystem::directory_iterator(kShare + "/nemo/actions")) {
        const KeyFile file = ReadKeyFile(entry.path());
        out.push_back({entry.path(), test::SplitExec(file.at("Nemo Action").at("Exec"))});
    }
    return out;
}

std::vector<Declared> ThunarCommands() {
    std::vector<Declared> out;
    QFile file(QString::fromStdString(kShare + "/ferrolet/thunar-uca.xml"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("command")) {
            out.push_back({"thunar-uca.xml", test::SplitExec(xml.readElementText().toStdString())});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

std::vector<Declared> ScriptCommands(const std::string& fileManager) {
    std::vector<Declared> out;
    for (const auto& entry : std::filesystem::directory_iterator(
             kShare + "/ferrolet/" + fileManager + "-scripts/Ferrolet")) {
        EXPECT_TRUE((entry.status().permissions() & std::filesystem::perms::owner_exec) !=
                    std::filesystem::perms::none)
            << entry.path();
        out.push_back({entry.path(), {entry.path(), "%F"}});
    }
    return out;
}

// The user data a declared command line hands over: what follows --service.
std::string UserDataOf(const Declared& declared) {
    if (declared.argv.size() >= 4 && declared.argv[0] == "ferrolet" &&
        declared.argv[1] == "--service" && declared.argv[3] == "%F") {
        return declared.argv[2];
    }
    // A script: its exec line, read the same way.
    std::ifstream in(declared.argv[0]);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("exec ", 0) == 0) {
            const std::vector<std::string> args = test::SplitExec(line.substr(5));
            if (args.size() == 4 && args[0] == "ferrolet" && args[1] == "--service" &&
                args[3] == "$@") {
                return args[2];
            }
        }
    }
    return "<malformed: " + declared.where + ">";
}

std::set<std::string> OfferedUserData() {
    std::set<std::string> expected;
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action == ServiceAction::MoveToStandardFolder ||
            entry.action == ServiceAction::RunWithFolderDialog) {
            expected.insert(entry.userData);
        }
    }
    return expected;
}

std::map<std::string, std::vector<Declared>> AllFileManagers() {
    return {{"dolphin", DolphinCommands()},
            {"nemo", NemoCommands()},
            {"thunar", ThunarCommands()},
            {"nautilus", ScriptCommands("nautilus")},
            {"caja", ScriptCommands("caja")}};
}

TEST(Declarations, ApplicationEntryIsValidAndItsActionsReachFerrolet) {
    const std::string path = kShare + "/applications/com.quorvane.Ferrolet.desktop";
    std::string out;
    EXPECT_EQ(RunProgram({"desktop-file-validate", path}, &out), 0) << out;
    EXPECT_EQ(out, "");
    const KeyFile file = ReadKeyFile(path);
    EXPECT_EQ(file.at("Desktop Entry").at("Exec"), "ferrolet");
    EXPECT_EQ(test::SplitExec(file.at("Desktop Action preferences").at("Exec")),
              (std::vector<std::string>{"ferrolet", "--preferences"}));
    EXPECT_EQ(test::SplitExec(file.at("Desktop Action move-service-window").at("Exec")),
              (std::vector<std::string>{"ferrolet", "--service", "Open Move Service Window", "/"}));

    const KeyFile activation =
        ReadKeyFile(kShare + "/dbus-1/services/com.quorvane.Ferrolet.service");
    EXPECT_EQ(activation.at("D-BUS Service").at("Name"), "com.quorvane.Ferrolet");
    const std::string exec = activation.at("D-BUS Service").at("Exec");
    EXPECT_EQ(exec.front(), '/');
    EXPECT_TRUE(exec.ends_with("/ferrolet"));
}

TEST(Declarations, EveryFileManagerOffersTheFourteenEntriesOnce) {
    const std::set<std::string> expected = OfferedUserData();
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

// Runs each declared command line, as its file manager would, with a sample
// file: with no session bus, ferrolet runs the request itself.
class DeclaredCommands : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        for (const char* name :
             {"PATH", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            m_savedEnv[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        // ferrolet on the PATH as installed, and an xdg-open that records
        // what the reveal fallback opens.
        const std::string bin = MakeDir("bin");
        std::filesystem::create_symlink(FERROLET_BINARY, bin + "/ferrolet");
        WriteFile("bin/xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + Path("opened") + "\"\n");
        std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
        setenv("PATH", (bin + ":" + m_savedEnv["PATH"].value_or("/usr/bin:/bin")).c_str(), 1);
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
            if (argv[0] == "ferrolet") {
                argv[0] = FERROLET_BINARY;
            }
            for (std::string& arg : argv) {
                if (arg == "%F") {
                    arg = sample;
                }
            }
            std::string out;
            EXPECT_EQ(RunProgram(argv, &out), 0) << declared.where << out;

            const std::string userData = UserDataOf(declared);
            const auto moveTo = destination.find(userData);
            if (moveTo == destination.end()) {
                // A "to Select" entry: no display for its folder dialog
                // here, so the handed-over file stays where it is.
                EXPECT_EQ(ReadFile(sample), name) << declared.where;
            } else {
                EXPECT_FALSE(Exists(sample)) << declared.where;
                EXPECT_EQ(ReadFile(FolderPath(moveTo->second) + "/" + name), name)
                    << declared.where;
            }
        }
    }
    EXPECT_EQ(n, 70);
    // The moved items were shown through the fallback, each in its folder.
    EXPECT_NE(ReadFile(Path("opened")).find(FolderPath(StandardFolder::Documents)),
              std::string::npos);
}

} // namespace
} // namespace ferrolet::test
