// Listed destinations greyed for real reasons: a 1 MB tmpfs, a read-only
// tmpfs, a FAT image, a subfolder of the selected folder and a deleted
// folder, read back from `ferrolet --menu` and refused by `--command`.
// Mounting needs root and runs in a private mount namespace of this test
// process, so nothing is mounted for the rest of the machine.
#include "MenuFixture.h"
#include "app/OfferedCommand.h"

#include <fstream>
#include <map>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

using namespace ferrolet;
using namespace ferrolet::test;

namespace {

// Folder path → reason (empty when enabled) for the items under header in
// the --menu text.
std::map<std::string, std::string> Reasons(const std::string& text, const std::string& header) {
    std::map<std::string, std::string> reasons;
    std::istringstream lines(text);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line.rfind("  ", 0) != 0) {
            inside = line.rfind(header + "\t", 0) == 0;
            continue;
        }
        const size_t tip = line.find("\ttip=");
        if (!inside || tip == std::string::npos) {
            continue;
        }
        std::string path = line.substr(tip + 5);
        std::string reason;
        if (line.find("\tdisabled") != std::string::npos && path.back() == ')') {
            const size_t open = path.rfind(" (");
            reason = path.substr(open + 2, path.size() - open - 3);
            path.resize(open);
        }
        reasons[path] = reason;
    }
    return reasons;
}

class DestinationPreflightTest : public MenuFixture {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "mounting needs root";
        }
        static const bool isolated =
            unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!isolated) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        MenuFixture::SetUp();
    }
    void TearDown() override {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) {
            umount2(it->c_str(), MNT_DETACH);
        }
        MenuFixture::TearDown();
    }
    std::string MountTmpfs(const std::string& name, unsigned long flags) {
        const std::string dir = MakeDir("mnt/" + name);
        if (mount("tmpfs", dir.c_str(), "tmpfs", flags, "size=1m") != 0) {
            ADD_FAILURE() << "cannot mount a tmpfs on " << dir;
        }
        m_mounts.push_back(dir);
        return dir;
    }
    // A FAT image on a loop device; empty when mkfs.vfat or a loop device
    // is missing.
    std::string MountFat() {
        const std::string image = Path("fat.img");
        std::ofstream(image).close();
        if (truncate(image.c_str(), 4 << 20) != 0 ||
            RunProgram({"mkfs.vfat", "-n", "STICK", image}) != 0) {
            return {};
        }
        const std::string dir = MakeDir("mnt/fat");
        if (RunProgram({"mount", "-o", "loop", image, dir}) != 0) {
            return {};
        }
        m_mounts.push_back(dir);
        return dir;
    }
    std::string MenuText() {
        std::string text;
        EXPECT_EQ(RunProgram({FERROLET_BINARY, "--menu"}, &text), 0);
        return text;
    }
    std::vector<std::string> m_mounts;
};

TEST_F(DestinationPreflightTest, MenuGreysWhatCannotTakeTheSelection) {
    const std::string big = WriteFile("sel/big.bin", std::string(2'000'000, 'b'));
    const std::string project = MakeDir("sel/Proj");
    const std::string sub = MakeDir("sel/Proj/Sub");
    const std::string small = MountTmpfs("small", 0);
    const std::string readOnly = MountTmpfs("ro", MS_RDONLY);
    const std::string gone = MakeDir("dest/Gone");
    SetDestinations({small, readOnly, sub, gone});
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    const std::string notFound = "<< Folder Not Found >>";

    SelectPaths({big, project});
    std::string text = MenuText();
    const auto move = Reasons(text, "Move To");
    EXPECT_EQ(move.at(small).rfind("needs 2.0 MB, ", 0), 0u) << text;
    EXPECT_EQ(move.at(readOnly), "read-only");
    EXPECT_EQ(move.at(sub), "inside the selection");
    EXPECT_EQ(move.at(notFound), "") << "greyed, the title says it already";
    EXPECT_NE(text.find("  << Folder Not Found >>\ttag=4004\taction=command\tdisabled"),
              std::string::npos);
    EXPECT_EQ(Reasons(text, "Alias To").at(sub), "") << "a link may go inside the folder";
    EXPECT_EQ(Reasons(text, "Open Folder").at(readOnly), "");
    EXPECT_EQ(Reasons(text, "Hard Link To").at(sub), "folders cannot be hard-linked");
    std::string moveService;
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu", "--move-service"}, &moveService), 0);
    EXPECT_EQ(Reasons(moveService, "Move To"), move);

    SelectPaths({big});
    text = MenuText();
    EXPECT_EQ(Reasons(text, "Hard Link To").at(small), "other file system");
    EXPECT_EQ(Reasons(text, "Hard Link To").at(sub), "");
    EXPECT_EQ(Reasons(text, "Move To").at(sub), "");
    EXPECT_EQ(Reasons(text, "Copy To").at(small).rfind("needs 2.0 MB, ", 0), 0u);
}

TEST_F(DestinationPreflightTest, FatTakesNoNamesItCannotHold) {
    const std::string fat = MountFat();
    if (fat.empty()) {
        GTEST_SKIP() << "no mkfs.vfat, loop device or vfat driver here";
    }
    SetDestinations({fat});
    SelectPaths({WriteFile("sel/what?.txt"), WriteFile("sel/fine.txt")});
    EXPECT_EQ(Reasons(MenuText(), "Copy To").at(fat), "names not allowed there");
    SelectPaths({Path("sel/fine.txt")});
    EXPECT_EQ(Reasons(MenuText(), "Copy To").at(fat), "");
}

TEST_F(DestinationPreflightTest, CommandRefusesAGreyedFolderAndMovesNothing) {
    const std::string file = WriteFile("sel/report.txt");
    const std::string readOnly = MountTmpfs("ro", MS_RDONLY);
    const std::string fine = MakeDir("dest/Fine");
    SetDestinations({readOnly, fine});
    SetSwitches({keys::SelectMovedItem});
    SelectPaths({file});

    EXPECT_EQ(RunProgram({FERROLET_BINARY, "--command", "1001"}), 2);
    const CommandOutcome refused = RunOfferedCommand(Core(), 1001, false);
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_EQ(Q(refused.message), "Move To \"" + readOnly + "\" is not possible now: read-only");
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_NE(Q(m_platform.notifications[0]).find("read-only"), std::string::npos);
    EXPECT_TRUE(Exists(file));

    // The folder that can take it still runs.
    EXPECT_EQ(RunProgram({FERROLET_BINARY, "--command", "2002"}), 0);
    EXPECT_TRUE(Exists(fine + "/report.txt"));
}

} // namespace
