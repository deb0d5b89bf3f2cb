// Moves, copies and deletes within one file system and across two (the root
// disk and /dev/shm), checked entry by entry against the trees they leave.
#include "fileops/engine/FileEngine.h"
#include "EngineFixture.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <sys/xattr.h>

using namespace ferrolet;
using ferrolet::test::CaptureTree;
using ferrolet::test::DescribeDifference;

namespace {

class FileEngineTest : public ferrolet::test::EngineTest {
protected:
    static void SetMtime(const std::string& path, int64_t seconds, long nanoseconds) {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }
    // A tree with every kind of entry and every attribute a transfer keeps.
    std::string MakeRichTree(const std::string& relative) {
        const std::string root = MakeDir(relative);
        WriteFile(relative + "/a.jpg", Bytes(70000, 'a'));
        WriteFile(relative + "/large.bin", Bytes((9 << 20) + 12345, 'z')); // past every chunk
        WriteFile(relative + "/empty.txt", "");
        WriteFile(relative + "/deep/er/still/b.raw", Bytes(5000, 'b'));
        MakeDir(relative + "/empty-folder");
        EXPECT_EQ(symlink("a.jpg", (root + "/relative-link").c_str()), 0);
        EXPECT_EQ(symlink("/nonexistent/target", (root + "/dangling").c_str()), 0);
        EXPECT_EQ(symlink("deep", (root + "/folder-link").c_str()), 0);
        EXPECT_EQ(symlink("/etc", (root + "/outside").c_str()), 0);
        EXPECT_EQ(mkfifo((root + "/pipe").c_str(), 0620), 0);
        EXPECT_EQ(link((root + "/a.jpg").c_str(), (root + "/hard.jpg").c_str()), 0);
        EXPECT_EQ(ferrolet::test::RunProgram({"python3", "-c",
                                              "import socket,sys\n"
                                              "socket.socket(socket.AF_UNIX).bind(sys.argv[1])",
                                              root + "/control.sock"}),
                  0);
        EXPECT_TRUE(SetComment(root + "/a.jpg", "sunset"));
        EXPECT_TRUE(SetComment(root + "/deep", "a folder's comment"));
        EXPECT_EQ(lsetxattr(root.c_str(), "user.other", "tree", 4, 0), 0);
        EXPECT_EQ(chmod((root + "/a.jpg").c_str(), 0751), 0);
        EXPECT_EQ(chmod((root + "/deep/er").c_str(), 0750), 0);
        EXPECT_EQ(chmod((root + "/deep/er/still").c_str(), 0555), 0); // read-only inside
        SetMtime(root + "/deep/er/still/b.raw", 1400000000, 42);
        SetMtime(root + "/relative-link", 1300000000, 7);
        SetMtime(root + "/deep/er/still", 1200000000, 999999999);
        SetMtime(root, 1100000000, 5);
        return root;
    }
};

TEST_F(FileEngineTest, EveryEntryArrivesExactlyWithinAndAcrossFileSystems) {
    // Opening the FIFO for reading would wait for a writer for ever; the
    // alarm turns such a hang into a failure.
    alarm(240);
    for (const bool move : {false, true}) {
        for (const bool acrossFileSystems : {false, true}) {
            SCOPED_TRACE(std::string(move ? "move" : "copy") +
                         (acrossFileSystems ? " across" : ""));
            std::filesystem::remove_all(Path("src"));
            const std::string root = MakeRichTree("src/Photos");
            const auto before = CaptureTree(root);
            const std::string dest = acrossFileSystems ? OtherFsDir("dest") : MakeDir("dest");
            std::filesystem::remove_all(dest + "/Photos");
            const ino_t inode = Inode(root);
            std::pair<std::string, uint64_t> started;
            uint64_t total = 0;
            for (const auto& [path, entry] : before) {
                total += S_ISREG(entry.mode) ? entry.size : 0;
            }
            std::vector<uint64_t> reports;
            ProgressSink sink;
            sink.started = [&](const std::string& name, uint64_t bytes) {
                started = {name, bytes};
            };
            sink.advanced = [&](uint64_t done) { return reports.push_back(done), true; };
            FileRef result;
            ASSERT_EQ((move ? MoveObject : CopyObject)(Ref(root), FolderRef(dest), nullptr, &result,
                                                       &sink),
                      0);
            if (!move || acrossFileSystems) { // progress as it copies, sparingly, to the total
                EXPECT_EQ(started, std::make_pair(std::string("Photos"), total));
                ASSERT_FALSE(reports.empty());
                EXPECT_EQ(reports.back(), total);
                EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
                EXPECT_LE(reports.size(), total / (4 << 20) + 2) << "every few megabytes at most";
            }
            EXPECT_EQ(DescribeDifference(before, CaptureTree(dest + "/Photos")), "");
            EXPECT_EQ(result.Path(), dest + "/Photos");
            EXPECT_TRUE(result.IsValid()) << "the reference designates the item at its new place";
            EXPECT_EQ(Exists(root), !move);
            EXPECT_EQ(PartialCopiesIn(dest), 0);
            EXPECT_EQ(Inode(dest + "/Photos") == inode, move && !acrossFileSystems)
                << "a rename within one file system, a copy otherwise";
            if (!move) {
                EXPECT_EQ(DescribeDifference(before, CaptureTree(root)), "") << "source untouched";
                EXPECT_EQ(Inode(root + "/a.jpg"), Inode(root + "/hard.jpg"));
            }
        }
    }
    alarm(0);
}

TEST_F(FileEngineTest, RefusesWhatWouldReplaceOrLoseAnItem) {
    const std::string file = WriteFile("src/a.txt", "mine");
    const std::string dest = MakeDir("dest");
    const std::string other = OtherFsDir("dest");
    WriteFile("dest/a.txt", "theirs");
    std::ofstream(other + "/a.txt") << "theirs too";
    FileRef out;
    // A same-named item is never replaced, by either kind of move or copy;
    // a copy into the item's own folder clashes with the item itself.
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(dest), nullptr, &out), EEXIST);
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(other), nullptr, &out), EEXIST);
    EXPECT_EQ(CopyObject(Ref(file), FolderRef(other), nullptr, &out), EEXIST);
    EXPECT_EQ(CopyObject(Ref(file), FolderRef(Path("src")), nullptr, &out), EEXIST);
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "theirs");
    EXPECT_EQ(ReadFile(other + "/a.txt"), "theirs too");
    EXPECT_EQ(PartialCopiesIn(other) + PartialCopiesIn(Path("src")), 0);
    EXPECT_EQ(MoveObject(Ref(file), Ref(dest + "/a.txt"), nullptr, &out), ENOTDIR);
    for (const std::string bad : {"", ".", "..", "x/y"}) {
        EXPECT_EQ(MoveObject(Ref(file), FolderRef(dest), &bad, &out), EINVAL) << bad;
    }
    EXPECT_EQ(MoveObject(FileRef(), FolderRef(dest), nullptr, &out), EINVAL);

    // A reference whose path now holds another item (kept aside, so that its
    // inode number cannot be reused at once).
    const FileRef stale = Ref(file);
    ASSERT_EQ(rename(file.c_str(), (file + ".kept").c_str()), 0);
    WriteFile("src/a.txt", "an impostor under the old name");
    EXPECT_EQ(MoveObject(stale, FolderRef(other), nullptr, &out), ENOENT);
    EXPECT_EQ(DeleteObject(stale), ENOENT);
    EXPECT_EQ(ReadFile(file), "an impostor under the old name");

    // A folder never goes into itself.
    const std::string sub = MakeDir("proj/a/b");
    const auto before = CaptureTree(Path("proj"));
    EXPECT_EQ(MoveObject(Ref(Path("proj")), FolderRef(sub), nullptr, &out), EINVAL);
    EXPECT_EQ(CopyObject(Ref(Path("proj")), FolderRef(sub), nullptr, &out), EINVAL);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(Path("proj"))), "");

    // Delete takes files, links (not their targets) and empty folders only.
    ASSERT_EQ(symlink(file.c_str(), Path("link").c_str()), 0);
    for (const std::string& gone : {WriteFile("b.txt"), Path("link"), MakeDir("empty")}) {
        EXPECT_EQ(DeleteObject(Ref(gone)), 0) << gone;
        EXPECT_FALSE(Exists(gone));
    }
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(DeleteObject(Ref(Path("proj"))), ENOTEMPTY);
}

// Faults while a copy runs (a source that changes, a cancel, the process
// killed, a destination that fills up, a destination mounted inside the item
// so that only the engine's own check stops a copy into itself that never
// ends, an immutable file that could not be removed after its copy): the
// source stays whole and nothing is left at the destination, never two of
// an item. Each row runs in a child process, so that a kill ends only the
// child and the small tmpfs (root only) is mounted in a private mount
// namespace; setting the immutable flag needs root (CAP_LINUX_IMMUTABLE).
TEST_F(FileEngineTest, AFaultDuringTheCopyKeepsTheSourceAndLeavesNoCopy) {
    enum class Fault { None, Change, Cancel, Kill, Immutable };
    enum class Dest { OtherFs, SameFs, Full, InsideItself };
    struct Row {
        const char* what;
        bool copy;
        bool folder;
        Dest dest;
        Fault fault;
        int ended; // the status returned, or 128 + the signal
    };
    const Row rows[] = {
        {"a log appended to while it moves", false, false, Dest::OtherFs, Fault::Change, EBUSY},
        {"a file added to a moving folder", false, true, Dest::OtherFs, Fault::Change, EBUSY},
        {"a move cancelled", false, true, Dest::OtherFs, Fault::Cancel, ECANCELED},
        {"a copy cancelled", true, true, Dest::OtherFs, Fault::Cancel, ECANCELED},
        {"a copy cancelled on one file system", true, true, Dest::SameFs, Fault::Cancel, ECANCELED},
        {"an immutable file's move", false, false, Dest::OtherFs, Fault::Immutable, EPERM},
        {"a move of a folder holding one", false, true, Dest::OtherFs, Fault::Immutable, EPERM},
        {"a file's move killed", false, false, Dest::OtherFs, Fault::Kill, 128 + SIGKILL},
        {"a folder's move killed", false, true, Dest::OtherFs, Fault::Kill, 128 + SIGKILL},
        {"a file's move onto a full disk", false, false, Dest::Full, Fault::None, ENOSPC},
        {"a folder's move onto a full disk", false, true, Dest::Full, Fault::None, ENOSPC},
        {"a folder's copy onto a full disk", true, true, Dest::Full, Fault::None, ENOSPC},
        {"a move into a mount inside itself", false, true, Dest::InsideItself, Fault::None, EINVAL},
    };
    const std::string original = Bytes(12 << 20, 'L');
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(Path("src"));
        const std::string item =
            row.folder ? MakeDir("src/inbox") : WriteFile("src/app.log", original);
        if (row.folder) {
            WriteFile("src/inbox/big", original);
            WriteFile("src/inbox/sub/b", Bytes(6 << 20, 'b'));
        }
        const std::string dest = row.dest == Dest::OtherFs        ? OtherFsDir("dest")
                                 : row.dest == Dest::SameFs       ? MakeDir("dest")
                                 : row.dest == Dest::InsideItself ? MakeDir("src/inbox/inner/mnt")
                                                                  : MakeDir("small");
        const bool mounts = row.dest == Dest::Full || row.dest == Dest::InsideItself;
        const auto before = CaptureTree(item);
        const FileRef ref = Ref(item);
        const pid_t pid = fork();
        if (pid == 0) {
            if (mounts && (unshare(CLONE_NEWNS) != 0 ||
                           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                           mount("tmpfs", dest.c_str(), "tmpfs", 0, "size=1m") != 0)) {
                _exit(77);
            }
            const int pinned = open(row.folder ? (item + "/big").c_str() : item.c_str(), O_RDONLY);
            int flags = 0, locked = 0;
            if (row.fault == Fault::Immutable &&
                (ioctl(pinned, FS_IOC_GETFLAGS, &flags) != 0 ||
                 ioctl(pinned, FS_IOC_SETFLAGS, &(locked = flags | FS_IMMUTABLE_FL)) != 0)) {
                _exit(77);
            }
            bool changed = false;
            ProgressSink sink;
            sink.advanced = [&](uint64_t) {
                if (row.fault == Fault::Kill) {
                    raise(SIGKILL);
                }
                if (row.fault == Fault::Change && !changed) {
                    std::ofstream(row.folder ? item + "/late" : item, std::ios::app) << "late\n";
                    changed = true;
                }
                return row.fault != Fault::Cancel;
            };
            FileRef result;
            FileRef destRef;
            FileRef::FromPath(dest, destRef, FileRef::Leaf::Follow);
            const Status status =
                (row.copy ? CopyObject : MoveObject)(ref, destRef, nullptr, &result, &sink);
            if (row.fault == Fault::Immutable) {
                ioctl(pinned, FS_IOC_SETFLAGS, &flags);
            }
            // What the small file system holds is seen only from in here.
            _exit(mounts && !Names(dest).empty() ? 200 : status);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
            std::fprintf(stderr, "skipped \"%s\": no small tmpfs or no file flags here\n",
                         row.what);
            continue;
        }
        EXPECT_EQ(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status), row.ended);
        // A killed copy leaves only its hidden remains, for recovery to clear.
        std::vector<std::string> left = Names(dest);
        std::erase_if(left, [&](const std::string& name) {
            return row.fault == Fault::Kill && name.starts_with(kPartialCopyPrefix);
        });
        EXPECT_TRUE(left.empty()) << "nothing under a real name, no partial copy";
        if (row.dest != Dest::InsideItself) {
            std::filesystem::remove_all(dest);
        }
        if (row.fault != Fault::Change) {
            EXPECT_EQ(DescribeDifference(before, CaptureTree(item)), "");
        } else if (row.folder) {
            EXPECT_EQ(ReadFile(item + "/big"), original);
            EXPECT_EQ(ReadFile(item + "/late"), "late\n");
        } else {
            EXPECT_EQ(ReadFile(item), original + "late\n");
        }
    }
}

// Permission cases: as root they cannot fail, so they run again as "nobody".
using EnginePermissionTest = ferrolet::test::EngineTest;

// Neither a copy nor a partial copy is left beside a source that cannot be
// removed (a read-only folder) or read whole (a file without read rights).
TEST_F(EnginePermissionTest, WhatCannotBeReadRemovedOrWrittenFailsCleanly) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
    }
    const std::string file = WriteFile("src/readonly/report.pdf", Bytes(200000, 'r'));
    const std::string tree = MakeDir("src/tree");
    WriteFile("src/tree/ok.txt", "ok");
    WriteFile("src/tree/frozen/inside.txt", "inside");
    const std::string unreadable = MakeDir("src/unreadable");
    ASSERT_EQ(chmod(WriteFile("src/unreadable/secret.txt", "secret").c_str(), 0200), 0);
    ASSERT_EQ(chmod(Path("src/readonly").c_str(), 0555), 0);
    ASSERT_EQ(chmod(Path("src/tree/frozen").c_str(), 0555), 0);
    const auto before = CaptureTree(Path("src"));
    const std::string dest = OtherFsDir("dest");
    FileRef moved;
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(dest), nullptr, &moved), EACCES);
    EXPECT_EQ(MoveObject(Ref(tree), FolderRef(dest), nullptr, &moved), EACCES);
    EXPECT_EQ(MoveObject(Ref(unreadable), FolderRef(dest), nullptr, &moved), EACCES);
    EXPECT_EQ(CopyObject(Ref(unreadable), FolderRef(dest), nullptr, &moved), EACCES);
    // Within one file system the rename itself is refused.
    EXPECT_EQ(MoveObject(Ref(file), FolderRef(MakeDir("dest")), nullptr, &moved), EACCES);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(Path("src"))), "");
    EXPECT_TRUE(Names(dest).empty());

    const std::string closed = OtherFsDir("closed");
    ASSERT_EQ(chmod(closed.c_str(), 0555), 0);
    const std::string plain = WriteFile("src/plain.txt", "plain");
    EXPECT_EQ(MoveObject(Ref(plain), FolderRef(closed), nullptr, &moved), EACCES);
    EXPECT_EQ(CopyObject(Ref(plain), FolderRef(closed), nullptr, &moved), EACCES);
    EXPECT_EQ(ReadFile(plain), "plain");
}

} // namespace
