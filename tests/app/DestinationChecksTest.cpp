// The rules that grey a listed destination, over facts made up in the test
// (no mounts needed), and the mount probe's deadline with a probe that hangs
// as a dead network share does.
#include "app/DestinationChecks.h"
#include "app/DestinationProbe.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

using namespace ferrolet;

namespace {

using C = DestinationCommand;
constexpr dev_t kDisk = 1;
constexpr dev_t kOther = 2;
constexpr uint64_t kMB = 1000 * 1000;

SelectedItemFacts File(const std::string& path, dev_t device = kDisk) {
    return {path, path.substr(path.rfind('/') + 1), device, 100, false};
}
SelectedItemFacts Folder(const std::string& path, dev_t device = kDisk) {
    return {path, path.substr(path.rfind('/') + 1), device, 200, true};
}
// The first item holds all the bytes.
SelectionFacts Selection(const std::vector<SelectedItemFacts>& items, uint64_t bytes = 0) {
    SelectionFacts s;
    for (size_t i = 0; i < items.size(); ++i) {
        AddSelectedItem(s, items[i], i == 0 ? bytes : 0);
    }
    return s;
}
DestinationFacts Dest(dev_t device = kDisk, uint64_t freeBytes = 1000 * kMB) {
    DestinationFacts d;
    d.state = DestinationFacts::State::Found;
    d.device = device;
    d.inode = 300;
    d.fs.freeBytes = freeBytes;
    return d;
}

struct Case {
    C command;
    SelectionFacts selection;
    DestinationFacts dest;
    std::string destPath;
    std::string reason;
};

TEST(DestinationChecksTest, EachRuleGreysTheCommandsItConcerns) {
    DestinationFacts missing;
    DestinationFacts hanging = Dest();
    hanging.state = DestinationFacts::State::NotAnswering;
    DestinationFacts readOnlyMount = Dest();
    readOnlyMount.fs.readOnly = true;
    DestinationFacts notWritable = Dest();
    notWritable.writable = false;
    DestinationFacts fat = Dest();
    fat.fs.fatNames = true;
    DestinationFacts shortNames = Dest();
    shortNames.fs.nameMax = 8;
    const SelectionFacts file = Selection({File("/home/u/report.pdf")}, 3 * kMB);
    const SelectionFacts folder = Selection({Folder("/home/u/Proj")}, 2 * kMB);
    const SelectionFacts outside = Selection({File("/mnt/usb/a.txt", kOther)}, 3 * kMB);
    SelectionFacts partial = Selection({Folder("/home/u/Big")}, 5 * kMB);
    partial.sizesComplete = false;

    const std::vector<Case> cases = {
        {C::MoveTo, file, missing, "/gone", "not found"},
        {C::OpenFolder, file, missing, "/gone", "not found"},
        {C::CopyTo, file, hanging, "/net/share", "not answering"},
        {C::CopyTo, file, readOnlyMount, "/ro", "read-only"},
        {C::AliasTo, file, notWritable, "/root-owned", "read-only"},
        {C::OpenFolder, file, readOnlyMount, "/ro", ""},
        {C::MoveTo, folder, Dest(), "/home/u/Proj/sub", "inside the selection"},
        {C::CopyTo, folder, Dest(), "/home/u/Proj/sub/deeper", "inside the selection"},
        {C::MoveTo, folder, Dest(), "/home/u/Project", ""},
        {C::AliasTo, folder, Dest(), "/home/u/Proj/sub", ""},
        {C::HardLinkTo, folder, Dest(), "/home/u/Links", "folders cannot be hard-linked"},
        {C::HardLinkTo, file, Dest(kOther), "/mnt/usb", "other file system"},
        {C::HardLinkTo, file, Dest(), "/home/u/Links", ""},
        {C::MoveTo, Selection({File("/home/u/what?.txt")}), fat, "/mnt/fat",
         "names not allowed there"},
        {C::AliasTo, Selection({File("/home/u/trailing.")}), fat, "/mnt/fat",
         "names not allowed there"},
        {C::CopyTo, Selection({File("/home/u/plain name.txt")}), fat, "/mnt/fat", ""},
        {C::ArchiveTo, Selection({File("/home/u/ab.txt")}), shortNames, "/x",
         "names not allowed there"}, // "ab.txt.zip" is 10 bytes
        {C::MoveTo, Selection({File("/home/u/ab.txt")}), shortNames, "/x", ""},
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
}

TEST(DestinationChecksTest, SizesAndNamesAsTheFileSystemSeesThem) {
    EXPECT_EQ(SizeText(512, 512).toStdString(), "512 bytes");
    EXPECT_EQ(SizeText(2100 * kMB, 2100 * kMB).toStdString(), "2.1 GB");
    EXPECT_EQ(SizeText(400 * kMB, 2100 * kMB).toStdString(), "0.4 GB");
    FileSystemFacts fat;
    fat.fatNames = true;
    for (const char* bad : {"a*b", "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b", "a\"b", "tab\tx",
                            "dots...", "space "}) {
        EXPECT_TRUE(NameNotAllowed(bad, fat)) << bad;
    }
    EXPECT_FALSE(NameNotAllowed(".hidden", fat));
    FileSystemFacts ext4;
    EXPECT_FALSE(NameNotAllowed("a:b?", ext4));
    EXPECT_FALSE(NameNotAllowed(std::string(255, 'n'), ext4));
    EXPECT_TRUE(NameNotAllowed(std::string(256, 'n'), ext4));
}

// A probe that hangs on one mount until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
};

TEST(DestinationChecksTest, AHangingMountIsNotAnsweringAndHoldsNothingElse) {
    auto gate = std::make_shared<Gate>();
    const FolderProbe probe = [gate](std::vector<std::string> paths, ProbeProgress& progress) {
        if (paths.front().rfind("/proc", 0) == 0) {
            std::unique_lock lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->open; });
        }
        return ProbeFoldersOnOneMount(std::move(paths), progress);
    };
    // /proc is a mount of its own on every Linux system. Had the probe waited
    // for the hanging mount, this call would never return.
    const QStringList paths = {QStringLiteral("/"), QStringLiteral("/proc/self"),
                               QStringLiteral("<< Folder Not Found >>"),
                               QStringLiteral("/proc/sys")};
    const auto facts = ProbeDestinations(paths, kMountAnswerDeadline, probe);
    {
        std::lock_guard lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_NE(facts[0].state, DestinationFacts::State::NotFound);
    EXPECT_EQ(facts[1].state, DestinationFacts::State::NotAnswering);
    EXPECT_EQ(facts[2].state, DestinationFacts::State::NotFound);
    EXPECT_EQ(facts[3].state, DestinationFacts::State::NotAnswering);
}

} // namespace
