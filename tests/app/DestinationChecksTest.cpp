// Listed destinations greyed for real reasons. The rules run over facts made
// up in the test (no mounts needed); the mount probe's deadline with a probe
// that hangs as a dead network share does; then, as root, real 1 MB and read-only
// mounts grey the menu's folder items and `--command` refuses them.
// Mounting runs in a private mount namespace of this test process, so nothing
// is mounted for the rest of the machine.
#include "app/DestinationChecks.h"
#include "MenuFixture.h"
#include "app/DestinationProbe.h"

#include <future>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace ferrolet;
using namespace ferrolet::test;

namespace {

using C = DestinationCommand;
constexpr dev_t kDisk = 1;
constexpr dev_t kOther = 2;
constexpr uint64_t kMB = 1000 * 1000;

SelectedItemFacts Item(const std::string& path, bool folder = false, dev_t device = kDisk) {
    return {path, path.substr(path.rfind('/') + 1), device, folder ? 200u : 100u, folder};
}
// The first item holds all the bytes.
SelectionFacts Selection(const std::vector<SelectedItemFacts>& items, uint64_t bytes = 0) {
    SelectionFacts s;
    for (size_t i = 0; i < items.size(); ++i) {
        AddSelectedItem(s, items[i], i == 0 ? bytes : 0);
    }
    return s;
}
DestinationFacts Dest(dev_t device = kDisk, uint64_t freeBytes = 1000 * kMB,
                      const std::function<void(DestinationFacts&)>& change = {}) {
    DestinationFacts d;
    d.state = DestinationFacts::State::Found;
    d.device = device;
    d.inode = 300;
    d.fs.freeBytes = freeBytes;
    if (change) {
        change(d);
    }
    return d;
}

TEST(DestinationChecksTest, EachRuleGreysTheCommandsItConcerns) {
    const DestinationFacts missing;
    const DestinationFacts hanging =
        Dest(kDisk, kMB, [](auto& d) { d.state = DestinationFacts::State::NotAnswering; });
    const DestinationFacts readOnly = Dest(kDisk, kMB, [](auto& d) { d.fs.readOnly = true; });
    const DestinationFacts notWritable = Dest(kDisk, kMB, [](auto& d) { d.writable = false; });
    const DestinationFacts fat = Dest(kDisk, kMB, [](auto& d) { d.fs.fatNames = true; });
    const DestinationFacts shortNames = Dest(kDisk, kMB, [](auto& d) { d.fs.nameMax = 8; });
    const SelectionFacts file = Selection({Item("/home/u/report.pdf")}, 3 * kMB);
    const SelectionFacts folder = Selection({Item("/home/u/Proj", true)}, 2 * kMB);
    const SelectionFacts outside = Selection({Item("/mnt/usb/a.txt", false, kOther)}, 3 * kMB);
    SelectionFacts partial = Selection({Item("/home/u/Big", true)}, 5 * kMB);
    partial.sizesComplete = false;
    struct Case {
        C command;
        SelectionFacts selection;
        DestinationFacts dest;
        std::string destPath;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {C::OpenFolder, file, missing, "/gone", "not found"},
        {C::CopyTo, file, hanging, "/net/share", "not answering"},
        {C::CopyTo, file, readOnly, "/ro", "read-only"},
        {C::AliasTo, file, notWritable, "/root-owned", "read-only"},
        {C::OpenFolder, file, readOnly, "/ro", ""},
        {C::CopyTo, folder, Dest(), "/home/u/Proj/sub/deeper", "inside the selection"},
        {C::MoveTo, folder, Dest(), "/home/u/Project", ""},
        {C::AliasTo, folder, Dest(), "/home/u/Proj/sub", ""},
        {C::HardLinkTo, folder, Dest(), "/home/u/Links", "folders cannot be hard-linked"},
        {C::HardLinkTo, file, Dest(kOther), "/mnt/usb", "other file system"},
        {C::HardLinkTo, file, Dest(), "/home/u/Links", ""},
        {C::MoveTo, Selection({Item("/home/u/what?.txt")}), fat, "/f", "names not allowed there"},
        {C::CopyTo, Selection({Item("/home/u/plain name.txt")}), fat, "/f", ""},
        {C::ArchiveTo, Selection({Item("/home/u/ab.txt")}), shortNames, "/x",
         "names not allowed there"}, // "ab.txt.zip" is 10 bytes
        {C::MoveTo, Selection({Item("/home/u/ab.txt")}), shortNames, "/x", ""},
        {C::MoveTo, outside, Dest(kDisk, 1 * kMB), "/home/u/In", "needs 3.0 MB, 1.0 MB free"},
        {C::MoveTo, file, Dest(kDisk, 1 * kMB), "/home/u/In", ""}, // a rename needs no space
        {C::CopyTo, file, Dest(kDisk, 400 * 1000), "/home/u/In", "needs 3.0 MB, 0.4 MB free"},
        {C::ArchiveTo, file, Dest(kOther, 1 * kMB), "/mnt/usb", "needs 3.0 MB, 1.0 MB free"},
        {C::AliasTo, file, Dest(kDisk, 0), "/home/u/In", ""},
        {C::CopyTo, partial, Dest(kDisk, 1 * kMB), "/home/u/In",
         "needs at least 5.0 MB, 1.0 MB free"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnavailableReason(c.command, c.selection, c.dest, c.destPath).toStdString(),
                  c.reason)
            << HeaderTitle(c.command).toStdString() << " to " << c.destPath;
    }
    EXPECT_EQ(SizeText(512, 512).toStdString(), "512 bytes");
    EXPECT_EQ(SizeText(2100 * kMB, 2100 * kMB).toStdString(), "2.1 GB");
    EXPECT_EQ(SizeText(400 * kMB, 2100 * kMB).toStdString(), "0.4 GB");
    for (const char* bad : {"a:b", "a\\b", "tab\tx", "dots...", "space "}) {
        EXPECT_TRUE(NameNotAllowed(bad, fat.fs)) << bad;
    }
    EXPECT_FALSE(NameNotAllowed(".hidden", fat.fs));
    const FileSystemFacts ext4;
    EXPECT_FALSE(NameNotAllowed("a:b?", ext4));
    EXPECT_FALSE(NameNotAllowed(std::string(255, 'n'), ext4));
    EXPECT_TRUE(NameNotAllowed(std::string(256, 'n'), ext4));
}

TEST(DestinationChecksTest, AHangingMountIsNotAnsweringAndHoldsNothingElse) {
    // A probe that hangs on one mount until the test lets it go.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const FolderProbe probe = [released](std::vector<std::string> paths, ProbeProgress& progress) {
        if (paths.front().rfind("/proc", 0) == 0) {
            released.wait();
        }
        return ProbeFoldersOnOneMount(std::move(paths), progress);
    };
    // /proc is a mount of its own on every Linux system. Had the probe waited
    // for the hanging mount, this call would never return.
    const auto facts = ProbeDestinations({"/", "/proc/self", "<< Folder Not Found >>", "/proc/sys"},
                                         kMountAnswerDeadline, probe);
    release.set_value();
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_NE(facts[0].state, DestinationFacts::State::NotFound);
    EXPECT_EQ(facts[1].state, DestinationFacts::State::NotAnswering);
    EXPECT_EQ(facts[2].state, DestinationFacts::State::NotFound);
    EXPECT_EQ(facts[3].state, DestinationFacts::State::NotAnswering);
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
        EXPECT_EQ(mount("tmpfs", dir.c_str(), "tmpfs", flags, "size=1m"), 0) << dir;
        m_mounts.push_back(dir);
        return dir;
    }
    std::vector<std::string> m_mounts;
};

TEST_F(DestinationPreflightTest, MenuGreysWhatCannotTakeTheSelection) {
    const std::string big = WriteFile("sel/big.bin", std::string(2'000'000, 'b'));
    const std::string sub = MakeDir("sel/Proj/Sub");
    const std::string small = MountTmpfs("small", 0);
    const std::string readOnly = MountTmpfs("ro", MS_RDONLY);
    const std::string gone = MakeDir("dest/Gone");
    SetDestinations({small, readOnly, sub, gone});
    ASSERT_EQ(rmdir(gone.c_str()), 0);

    // Each folder's Move To item, greyed with its reason in both menus.
    SelectPaths({big, Path("sel/Proj")});
    for (const bool moveService : {false, true}) {
        const std::string text = MenuText(moveService);
        for (const std::string& greyed :
             {"\ttag=1001\taction=command\tdisabled\ttip=" + small + " (needs 2.0 MB, ",
              "  ro (read-only)\ttag=2002\taction=command\tdisabled\ttip=" + readOnly +
                  " (read-only)\n",
              "\ttag=3003\taction=command\tdisabled\ttip=" + sub + " (inside the selection)\n",
              std::string("\ttag=4004\taction=command\tdisabled\ttip=<< Folder Not Found >>\n")}) {
            EXPECT_NE(text.find(greyed), std::string::npos) << greyed << "\n" << text;
        }
    }
    SelectPaths({big});
    EXPECT_NE(MenuText().find("\ttag=1006\taction=command\tdisabled\ttip=" + small +
                              " (other file system)\n"),
              std::string::npos);
}

} // namespace
