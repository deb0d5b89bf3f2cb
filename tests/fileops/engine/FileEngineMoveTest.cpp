// Moves within one file system and across file systems (root disk and
// /dev/shm), checked against the real files they leave behind.
#include "EngineFixture.h"
#include "fileops/engine/FileEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

using namespace ferrolet;
using ferrolet::test::CaptureTree;
using ferrolet::test::DescribeDifference;

namespace {

class MoveObjectTest : public ferrolet::test::EngineTest {};

void Append(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

TEST_F(MoveObjectTest, WithinOneFileSystemRenamesAndHandsBackTheNewReference) {
    const std::string file = WriteFile("src/report.pdf", "pdf bytes");
    const std::string dest = MakeDir("dest");
    const ino_t inode = Inode(file);

    FileRef moved;
    ASSERT_EQ(MoveObject(Ref(file), FolderRef(dest), nullptr, &moved), 0);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadFile(dest + "/report.pdf"), "pdf bytes");
    EXPECT_EQ(Inode(dest + "/report.pdf"), inode) << "a rename, not a copy";
    EXPECT_EQ(moved.Path(), dest + "/report.pdf");
    EXPECT_TRUE(moved.IsValid());

    // Under a new name.
    const std::string newName = "report - 0F8FAD5B-D9CB-469F-A165-70867728950E.pdf";
    const std::string other = WriteFile("src/report.pdf", "second");
    ASSERT_EQ(MoveObject(Ref(other), FolderRef(dest), &newName, &moved), 0);
    EXPECT_EQ(ReadFile(dest + "/" + newName), "second");
    EXPECT_EQ(ReadFile(dest + "/report.pdf"), "pdf bytes");
    EXPECT_EQ(moved.Path(), dest + "/" + newName);
}

TEST_F(MoveObjectTest, RefusesWhatWouldReplaceOrLoseAnItem) {
    const std::string file = WriteFile("src/a.txt", "mine");
    const std::string dest = MakeDir("dest");
    WriteFile("dest/a.txt", "theirs");
    FileRef moved;

    // A same-named item is never replaced, on either kind of move.
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(dest), nullptr, &moved), EEXIST);
    EXPECT_EQ(ReadFile(file), "mine");
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "theirs");
    const std::string other = OtherFsDir("dest");
    std::ofstream(other + "/a.txt") << "theirs too";
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(other), nullptr, &moved), EEXIST);
    EXPECT_EQ(ReadFile(file), "mine");
    EXPECT_EQ(ReadFile(other + "/a.txt"), "theirs too");
    EXPECT_EQ(PartialCopiesIn(other), 0);

    // The destination must be a folder.
    EXPECT_EQ(MoveObject(Ref(file), Ref(dest + "/a.txt"), nullptr, &moved), ENOTDIR);

    // Names that cannot be created are refused before anything happens.
    for (const std::string bad : {"", ".", "..", "x/y"}) {
        EXPECT_EQ(MoveObject(Ref(file), FolderRef(dest), &bad, &moved), EINVAL) << bad;
    }
    EXPECT_EQ(ReadFile(file), "mine");

    // References that designate nothing, or no longer their item.
    EXPECT_EQ(MoveObject(FileRef(), FolderRef(dest), nullptr, &moved), EINVAL);
    EXPECT_EQ(MoveObject(Ref(file), FileRef(), nullptr, &moved), EINVAL);
    const FileRef stale = Ref(file);
    // Kept aside, so that its inode number cannot be reused at once.
    ASSERT_EQ(rename(file.c_str(), (file + ".kept").c_str()), 0);
    WriteFile("src/a.txt", "an impostor under the old name");
    EXPECT_EQ(MoveObject(stale, FolderRef(dest), nullptr, &moved), ENOENT);
    EXPECT_EQ(ReadFile(file), "an impostor under the old name");
}

TEST_F(MoveObjectTest, AFolderNeverGoesIntoItself) {
    const std::string folder = MakeDir("proj");
    const std::string sub = MakeDir("proj/a/b");
    WriteFile("proj/a/b/keep.txt", "keep");
    const auto before = CaptureTree(folder);
    FileRef moved;
    EXPECT_EQ(MoveObject(Ref(folder), FolderRef(sub), nullptr, &moved), EINVAL);
    EXPECT_EQ(MoveObject(Ref(folder), FolderRef(folder), nullptr, &moved), EINVAL);
    EXPECT_EQ(CopyObject(Ref(folder), FolderRef(sub), nullptr, &moved), EINVAL);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(folder)), "");
    EXPECT_EQ(PartialCopiesIn(sub), 0);
}

TEST_F(MoveObjectTest, AcrossFileSystemsAFileKeepsContentsModeTimesAndComment) {
    const std::string file = WriteFile("src/notes.txt", Bytes(300000, 'n'));
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    SetXattr(file, "user.xdg.comment", "filed by hand");
    SetMtime(file, 1500000000, 123456789);
    const auto before = CaptureTree(file);
    const std::string dest = OtherFsDir("dest");

    FileRef moved;
    ASSERT_EQ(MoveObject(Ref(file), FolderRef(dest), nullptr, &moved), 0);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(DescribeDifference(before, CaptureTree(dest + "/notes.txt")), "");
    EXPECT_EQ(moved.Path(), dest + "/notes.txt");
    EXPECT_TRUE(moved.IsValid()) << "the reference must designate the copy at its new place";
    EXPECT_EQ(PartialCopiesIn(dest), 0);
}

TEST_F(MoveObjectTest, AcrossFileSystemsAFolderTreeArrivesWholeAndComesBack) {
    const std::string root = MakeDir("src/Photos");
    WriteFile("src/Photos/a.jpg", Bytes(70000, 'a'));
    WriteFile("src/Photos/empty.txt", "");
    WriteFile("src/Photos/deep/er/still/b.raw", Bytes(5000, 'b'));
    MakeDir("src/Photos/empty-folder");
    ASSERT_EQ(symlink("a.jpg", (root + "/relative-link").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent/target", (root + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("deep", (root + "/folder-link").c_str()), 0);
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0620), 0);
    ASSERT_EQ(link((root + "/a.jpg").c_str(), (root + "/hard.jpg").c_str()), 0);
    SetXattr(root + "/a.jpg", "user.xdg.comment", "sunset");
    SetXattr(root + "/deep", "user.xdg.comment", "a folder's comment");
    ASSERT_EQ(chmod((root + "/deep/er").c_str(), 0750), 0);
    ASSERT_EQ(chmod((root + "/deep/er/still").c_str(), 0555), 0); // read-only inside
    SetMtime(root + "/deep/er/still/b.raw", 1400000000, 42);
    SetMtime(root + "/relative-link", 1300000000, 7);
    SetMtime(root + "/deep/er/still", 1200000000, 999999999);
    SetMtime(root, 1100000000, 5);
    const auto before = CaptureTree(root);
    const std::string dest = OtherFsDir("dest");

    FileRef moved;
    ASSERT_EQ(MoveObject(Ref(root), FolderRef(dest), nullptr, &moved), 0);
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(DescribeDifference(before, CaptureTree(dest + "/Photos")), "");
    EXPECT_EQ(moved.Path(), dest + "/Photos");
    EXPECT_EQ(PartialCopiesIn(dest), 0);

    // And back onto the root disk, through the reference handed back.
    FileRef back;
    ASSERT_EQ(MoveObject(moved, FolderRef(Path("src")), nullptr, &back), 0);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(root)), "");
    EXPECT_FALSE(Exists(dest + "/Photos"));
    EXPECT_EQ(back.Path(), root);
}

TEST_F(MoveObjectTest, SymbolicLinksMoveAsLinks) {
    const std::string target = WriteFile("target.txt", "the target");
    const std::string link = Path("src/link");
    MakeDir("src");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string sameFs = MakeDir("dest");
    const std::string otherFs = OtherFsDir("dest");
    FileRef moved;
    ASSERT_EQ(MoveObject(Ref(link), FolderRef(otherFs), nullptr, &moved), 0);
    ASSERT_EQ(MoveObject(moved, FolderRef(sameFs), nullptr, &moved), 0);
    const auto state = CaptureTree(sameFs + "/link");
    EXPECT_EQ(state.at(".").type, 'l');
    EXPECT_EQ(state.at(".").linkTarget, target);
    EXPECT_EQ(ReadFile(target), "the target");
    EXPECT_EQ(CaptureTree(target).size(), 1u);
}

TEST_F(MoveObjectTest, HostileNamesSurviveBothKindsOfMove) {
    const std::string names[] = {"line\nbreak.txt", "quote\"d 'single'.txt", "bad\xff\xfeutf8",
                                 "-dash $(echo no) `x` *", " space "};
    const std::string sameFs = MakeDir("dest");
    const std::string otherFs = OtherFsDir("dest");
    for (const std::string& name : names) {
        const std::string file = WriteFile("src/" + name, name);
        FileRef moved;
        ASSERT_EQ(MoveObject(Ref(file), FolderRef(otherFs), nullptr, &moved), 0) << name;
        EXPECT_EQ(moved.Name(), name);
        EXPECT_EQ(ReadFile(otherFs + "/" + name), name);
        ASSERT_EQ(MoveObject(moved, FolderRef(sameFs), nullptr, &moved), 0) << name;
        EXPECT_EQ(ReadFile(sameFs + "/" + name), name);
        EXPECT_FALSE(Exists(file));
        FileRef copied;
        ASSERT_EQ(CopyObject(moved, FolderRef(otherFs), nullptr, &copied), 0) << name;
        EXPECT_EQ(ReadFile(copied.Path()), name);
    }
}

TEST_F(MoveObjectTest, ProgressIsReportedSparinglyAndEndsAtTheTotal) {
    const std::string root = MakeDir("src/big");
    WriteFile("src/big/one", Bytes(9 << 20, '1'));
    WriteFile("src/big/two", Bytes(3 << 20, '2'));
    const uint64_t total = (9u << 20) + (3u << 20);
    std::string startedName;
    uint64_t startedTotal = 0;
    std::vector<uint64_t> reports;
    ProgressSink sink;
    sink.started = [&](const std::string& name, uint64_t bytes) {
        startedName = name;
        startedTotal = bytes;
    };
    sink.advanced = [&](uint64_t done) {
        reports.push_back(done);
        return true;
    };
    FileRef moved;
    ASSERT_EQ(MoveObject(Ref(root), FolderRef(OtherFsDir("dest")), nullptr, &moved, &sink), 0);
    EXPECT_EQ(startedName, "big");
    EXPECT_EQ(startedTotal, total);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), total);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LE(reports.size(), total / (4 << 20) + 2) << "reports every few megabytes at most";
}

// Faults: in each, the source stays whole and no copy is left behind.

TEST_F(MoveObjectTest, ASourceChangedDuringTheCopyStaysAndTheCopyGoes) {
    const std::string dest = OtherFsDir("dest");
    const std::string original = Bytes(12 << 20, 'L');

    // A log file still being appended to.
    const std::string log = WriteFile("src/app.log", original);
    ProgressSink appendOnce;
    bool appended = false;
    appendOnce.advanced = [&](uint64_t) {
        if (!appended) {
            Append(log, "a line written during the move\n");
            appended = true;
        }
        return true;
    };
    FileRef moved;
    EXPECT_EQ(MoveObject(Ref(log), FolderRef(dest), nullptr, &moved, &appendOnce), EBUSY);
    EXPECT_TRUE(appended);
    EXPECT_EQ(ReadFile(log), original + "a line written during the move\n");
    EXPECT_FALSE(Exists(dest + "/app.log"));
    EXPECT_EQ(PartialCopiesIn(dest), 0);

    // A file added to a folder while it is being copied.
    const std::string folder = MakeDir("src/inbox");
    WriteFile("src/inbox/big", original);
    bool added = false;
    ProgressSink addOnce;
    addOnce.advanced = [&](uint64_t) {
        if (!added) {
            WriteFile("src/inbox/arrived-late.txt", "late");
            added = true;
        }
        return true;
    };
    EXPECT_EQ(MoveObject(Ref(folder), FolderRef(dest), nullptr, &moved, &addOnce), EBUSY);
    EXPECT_EQ(ReadFile(folder + "/arrived-late.txt"), "late");
    EXPECT_EQ(ReadFile(folder + "/big"), original);
    EXPECT_FALSE(Exists(dest + "/inbox"));
    EXPECT_EQ(PartialCopiesIn(dest), 0);
}

TEST_F(MoveObjectTest, CancellingLeavesTheSourceAndNoCopy) {
    const std::string folder = MakeDir("src/tree");
    WriteFile("src/tree/a", Bytes(6 << 20, 'a'));
    WriteFile("src/tree/sub/b", Bytes(6 << 20, 'b'));
    const auto before = CaptureTree(folder);
    ProgressSink cancel;
    cancel.advanced = [](uint64_t) { return false; };
    for (const bool acrossFileSystems : {true, false}) {
        const std::string dest = acrossFileSystems ? OtherFsDir("dest") : MakeDir("dest");
        FileRef result;
        EXPECT_EQ(MoveObject(Ref(folder), FolderRef(dest), nullptr, &result, &cancel),
                  acrossFileSystems ? ECANCELED : 0)
            << "within one file system a move is one rename and never asks";
        if (!acrossFileSystems) {
            ASSERT_EQ(MoveObject(result, FolderRef(Path("src")), nullptr, &result), 0);
        }
        EXPECT_EQ(CopyObject(Ref(folder), FolderRef(dest), nullptr, &result, &cancel), ECANCELED);
        EXPECT_EQ(DescribeDifference(before, CaptureTree(folder)), "");
        EXPECT_FALSE(Exists(dest + "/tree"));
        EXPECT_EQ(PartialCopiesIn(dest), 0);
    }
}

} // namespace
