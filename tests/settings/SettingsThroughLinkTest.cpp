// A settings file that dotfile managers made a symbolic link, and settings
// paths that hold no regular file, against real files read back with
// Python's plistlib.
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::RunProgram;

namespace {

class SettingsThroughLink : public ferrolet::test::TempHome {
protected:
    std::string File() const { return SettingsStore::DefaultFilePath(); }

    std::string Plist(const std::string& code, const std::string& path) {
        std::string out;
        EXPECT_EQ(RunProgram({"python3", "-c", "import plistlib, sys\n" + code, path}, &out), 0);
        return out;
    }

    std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    int RefusedLines() const {
        int n = 0;
        for (const QString& line : LogLines()) {
            n += line.contains(QStringLiteral("is not a regular file")) ? 1 : 0;
        }
        return n;
    }
};

TEST_F(SettingsThroughLink, ReadAndWrittenThroughTheLinkWhichStaysALink) {
    const std::string target = MakeDir("home/dotfiles") + "/ferrolet.plist";
    Plist("plistlib.dump({'WrapCopies': False}, open(sys.argv[1], 'wb'))", target);
    MakeDir("home/.config");
    const std::string linkText = "../dotfiles/ferrolet.plist";
    ASSERT_EQ(symlink(linkText.c_str(), File().c_str()), 0);

    SettingsStore store;
    EXPECT_FALSE(ReadBoolPref(store, keys::WrapCopies));
    store.SetAppValue(keys::SelectMovedItem, false);
    ASSERT_TRUE(store.Synchronize());

    struct stat st {};
    ASSERT_EQ(lstat(File().c_str(), &st), 0);
    ASSERT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(std::filesystem::read_symlink(File()).string(), linkText);
    EXPECT_EQ(Plist("d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                    "print(d['WrapCopies'], d['SelectMovedItem'])",
                    target),
              "False False\n");
    // Nothing but the link in its folder: the lock and the temporary file
    // belong beside the real file.
    EXPECT_EQ(Names(Path("home/.config")), std::vector<std::string>{"com.quorvane.Ferrolet.plist"});
    EXPECT_EQ(Names(Path("home/dotfiles")),
              (std::vector<std::string>{"ferrolet.plist", "ferrolet.plist.lock"}));

    // A writer of the real file is seen through the link.
    Plist("d = plistlib.load(open(sys.argv[1], 'rb')); d['WrapCopies'] = True\n"
          "plistlib.dump(d, open(sys.argv[1], 'wb'))",
          target);
    EXPECT_TRUE(ReadBoolPref(store, keys::WrapCopies));
    EXPECT_TRUE(LogLines().isEmpty()) << LogLines().join('\n').toStdString();
}

TEST_F(SettingsThroughLink, ADanglingLinkGetsItsFileWhereItPoints) {
    MakeDir("home/dotfiles");
    MakeDir("home/.config");
    ASSERT_EQ(symlink(Path("home/dotfiles/ferrolet.plist").c_str(), File().c_str()), 0);

    SettingsStore store;
    EXPECT_TRUE(ReadBoolPref(store, keys::PromptForWrap)) << "defaults apply";
    store.SetAppValue(keys::PromptForWrap, false);
    ASSERT_TRUE(store.Synchronize());

    struct stat st {};
    ASSERT_EQ(lstat(File().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Plist("print(plistlib.load(open(sys.argv[1], 'rb'))['PromptForWrap'])",
                    Path("home/dotfiles/ferrolet.plist")),
              "False\n");
}

TEST_F(SettingsThroughLink, NoRegularFileIsNeverOpenedNorReplaced) {
    // A blocking open of the FIFO would hang here; the alarm ends the test.
    alarm(120);
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        mode_t kind; // what must still stand there, through links
    };
    const std::vector<Case> cases{
        {"fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, S_IFIFO},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); }, S_IFDIR},
        {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
         S_IFCHR},
        {"loop", [](const std::string& p) { std::filesystem::create_symlink(p, p); }, 0},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(Path("home/.config"));
        MakeDir("home/.config");
        c.make(File());
        ClearLog();

        SettingsStore store;
        EXPECT_FALSE(ReadBoolPref(store, keys::ReplaceFilesBySameName)) << c.what;
        EXPECT_TRUE(ReadBoolPref(store, keys::WrapCopies)) << c.what;
        store.SetAppValue(keys::WrapCopies, false);
        EXPECT_FALSE(store.Synchronize()) << c.what << ": written over";
        EXPECT_FALSE(store.Synchronize()) << c.what;
        EXPECT_EQ(RefusedLines(), 1) << c.what;

        struct stat st {};
        if (c.kind != 0) {
            ASSERT_EQ(stat(File().c_str(), &st), 0) << c.what;
            EXPECT_EQ(st.st_mode & S_IFMT, c.kind) << c.what;
        }
        EXPECT_EQ(Names(Path("home/.config")),
                  std::vector<std::string>{"com.quorvane.Ferrolet.plist"})
            << c.what << ": something was kept aside or left behind";
    }
    alarm(0);
}

} // namespace
