#include "platform/Autostart.h"

#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

using namespace ferrolet;
using namespace ferrolet::test;

namespace {

class Autostart : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        // System-wide entries come from here, not from the machine's /etc/xdg.
        setenv("XDG_CONFIG_DIRS", MakeDir("etc-xdg").c_str(), 1);
        m_entry = Path("home/.config/autostart/com.quorvane.Ferrolet.desktop");
    }

    std::string m_entry;
};

TEST_F(Autostart, OnWritesOneValidEntryAndEntriesNotWrittenByFerroletCountAsTheyAre) {
    EXPECT_FALSE(StartsAtLogin());
    EXPECT_FALSE(SetStartAtLogin(false)); // nothing there: not an error
    EXPECT_FALSE(Exists(Path("home/.config/autostart")));

    // The user's own entry under our name starts Ferrolet: on keeps it, off removes it.
    const std::string own = "[Desktop Entry]\nType=Application\nName=Mine\nExec=ferrolet\n";
    WriteFile("home/.config/autostart/com.quorvane.Ferrolet.desktop", own);
    EXPECT_TRUE(StartsAtLogin());
    EXPECT_FALSE(SetStartAtLogin(true));
    EXPECT_EQ(ReadFile(m_entry), own);
    EXPECT_FALSE(SetStartAtLogin(false));
    EXPECT_FALSE(Exists(m_entry));

    // Switched-off and malformed entries do not start it; on replaces them.
    for (const std::string& text :
         {own + "Hidden=true\n", own + "X-GNOME-Autostart-enabled=false\n",
          std::string("Exec=ferrolet\n"), std::string()}) {
        WriteFile("home/.config/autostart/com.quorvane.Ferrolet.desktop", text);
        EXPECT_FALSE(StartsAtLogin()) << text;
        EXPECT_FALSE(SetStartAtLogin(true));
        EXPECT_EQ(ReadFile(m_entry), AutostartEntryText());
    }
    EXPECT_FALSE(SetStartAtLogin(false));

    // A system-wide entry starts it until the user's hidden entry masks it.
    WriteFile("etc-xdg/autostart/com.quorvane.Ferrolet.desktop", own);
    EXPECT_TRUE(StartsAtLogin());
    EXPECT_FALSE(SetStartAtLogin(false));
    EXPECT_FALSE(StartsAtLogin());
    std::string out;
    EXPECT_EQ(RunProgram({"desktop-file-validate", m_entry}, &out), 0) << out;
    EXPECT_NE(ReadFile(m_entry).find("Hidden=true"), std::string::npos);
    EXPECT_FALSE(SetStartAtLogin(true));
    EXPECT_TRUE(StartsAtLogin());
    EXPECT_EQ(ReadFile(m_entry), AutostartEntryText());
    EXPECT_NE(ReadFile(m_entry).find("\nExec=ferrolet\n"), std::string::npos);
    EXPECT_EQ(RunProgram({"desktop-file-validate", m_entry}, &out), 0) << out;
    struct stat st {};
    ASSERT_EQ(stat(m_entry.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // Nothing but the entry is left in the folder (no temporary file), and on
    // twice leaves it as it is.
    EXPECT_EQ(Names(Path("home/.config/autostart")),
              std::vector<std::string>{"com.quorvane.Ferrolet.desktop"});
    const ino_t inode = Inode(m_entry);
    EXPECT_FALSE(SetStartAtLogin(true));
    EXPECT_EQ(Inode(m_entry), inode);
}

TEST_F(Autostart, FailuresAreReportedAndOddFilesNeverBlock) {
    // A FIFO under the entry's name is read as no entry, without waiting.
    MakeDir("home/.config/autostart");
    ASSERT_EQ(mkfifo(m_entry.c_str(), 0644), 0);
    EXPECT_FALSE(StartsAtLogin());
    EXPECT_FALSE(SetStartAtLogin(false));

    // A folder under that name cannot be replaced or removed.
    MakeDir("home/.config/autostart/com.quorvane.Ferrolet.desktop");
    EXPECT_FALSE(StartsAtLogin());
    EXPECT_TRUE(SetStartAtLogin(true));
    EXPECT_TRUE(SetStartAtLogin(false));
    std::filesystem::remove(m_entry);

    // The autostart folder is a file: nothing can be written into it.
    std::filesystem::remove(Path("home/.config/autostart"));
    WriteFile("home/.config/autostart", "not a folder");
    EXPECT_EQ(SetStartAtLogin(true), std::errc::not_a_directory);
    EXPECT_EQ(ReadFile(Path("home/.config/autostart")), "not a folder");
}

} // namespace
