// Faults a move across file systems must survive without losing or
// duplicating anything: a full destination, a source that cannot be removed,
// missing permissions. (Faults during the copy: FileEngineTest.)
#include "EngineFixture.h"
#include "fileops/engine/FileEngine.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

using namespace ferrolet;
using ferrolet::test::CaptureTree;
using ferrolet::test::DescribeDifference;

namespace {

class EngineFaultTest : public ferrolet::test::EngineTest {
protected:
    // Runs body in a child process and returns how it ended: its exit code,
    // or 128 + the signal that ended it. The child writes any complaint to
    // standard error.
    static int InChild(const std::function<int()>& body) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(body());
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
};

// A destination file system that fills up: the move fails, the source is
// whole and the destination holds nothing. Needs a small tmpfs of our own,
// mounted in a private mount namespace (root in CI).
TEST_F(EngineFaultTest, FullDestinationLeavesTheSourceWholeAndNoPartialItem) {
    const std::string file = WriteFile("src/big.iso", Bytes(3 << 20, 'i'));
    const std::string folder = MakeDir("src/docs");
    for (int i = 0; i < 20; ++i) {
        WriteFile("src/docs/page" + std::to_string(i), Bytes(100000, char('a' + i)));
    }
    const auto fileBefore = CaptureTree(file);
    const auto folderBefore = CaptureTree(folder);
    const std::string small = MakeDir("small");
    // A folder whose own subfolder is a mount point: moving it there would
    // cross file systems, so only the engine's own check stops a copy into
    // itself that never ends.
    const std::string nested = MakeDir("src/docs-holder/inner/mnt");
    const std::string holder = Path("src/docs-holder");

    const int ended = InChild([&]() -> int {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") ||
            mount("tmpfs", nested.c_str(), "tmpfs", 0, "size=1m")) {
            return 77;
        }
        FileRef moved;
        int failures = 0;
        auto expect = [&](bool ok, const char* what) {
            if (!ok) {
                std::fprintf(stderr, "failed: %s\n", what);
                ++failures;
            }
        };
        FileRef smallRef;
        FileRef::FromPath(small, smallRef, FileRef::Leaf::Follow);
        FileRef fileRef;
        FileRef::FromPath(file, fileRef);
        FileRef folderRef;
        FileRef::FromPath(folder, folderRef);
        expect(MoveObject(fileRef, smallRef, nullptr, &moved) == ENOSPC, "file move: ENOSPC");
        expect(MoveObject(folderRef, smallRef, nullptr, &moved) == ENOSPC, "folder move: ENOSPC");
        expect(CopyObject(folderRef, smallRef, nullptr, &moved) == ENOSPC, "folder copy: ENOSPC");
        expect(CaptureTree(small).size() == 1, "the small file system holds nothing");

        FileRef holderRef;
        FileRef::FromPath(holder, holderRef);
        FileRef nestedRef;
        FileRef::FromPath(nested, nestedRef, FileRef::Leaf::Follow);
        expect(MoveObject(holderRef, nestedRef, nullptr, &moved) == EINVAL,
               "folder into a mount inside itself: EINVAL");
        expect(CaptureTree(nested).size() == 1, "nothing copied into the mount");
        return failures;
    });
    if (ended == 77) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount namespaces)";
    }
    EXPECT_EQ(ended, 0) << "see the child's complaints above";
    EXPECT_EQ(DescribeDifference(fileBefore, CaptureTree(file)), "");
    EXPECT_EQ(DescribeDifference(folderBefore, CaptureTree(folder)), "");
    EXPECT_TRUE(Exists(nested));
}

// An immutable file cannot be removed after its copy: the move must not
// leave two of it. Root only (setting the flag needs CAP_LINUX_IMMUTABLE).
TEST_F(EngineFaultTest, AnImmutableSourceIsNotDuplicated) {
    const std::string folder = MakeDir("src/locked");
    WriteFile("src/locked/free.txt", "free");
    const std::string pinned = WriteFile("src/locked/pinned.txt", "pinned");
    const auto before = CaptureTree(folder);
    const int fd = open(pinned.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        close(fd);
        GTEST_SKIP() << "file flags not supported here";
    }
    int locked = flags | FS_IMMUTABLE_FL;
    if (ioctl(fd, FS_IOC_SETFLAGS, &locked) != 0) {
        close(fd);
        GTEST_SKIP() << "cannot set the immutable flag (not root?)";
    }
    const std::string dest = OtherFsDir("dest");
    FileRef moved;
    const Status folderMove = MoveObject(Ref(folder), FolderRef(dest), nullptr, &moved);
    const Status fileMove = MoveObject(Ref(pinned), FolderRef(dest), nullptr, &moved);
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
    close(fd);
    EXPECT_EQ(folderMove, EPERM);
    EXPECT_EQ(fileMove, EPERM);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(folder)), "");
    EXPECT_EQ(CaptureTree(dest).size(), 1u) << "no copy left beside the source";
}

// Permission cases: as root they cannot fail, so they run again as "nobody".
class EnginePermissionTest : public ferrolet::test::EngineTest {
protected:
    void SetUp() override {
        if (geteuid() == 0) {
            GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
        }
        EngineTest::SetUp();
    }
};

// Neither a copy nor a partial copy is left beside a source that cannot be
// removed (a read-only folder) or read whole (a file without read rights).
TEST_F(EnginePermissionTest, WhatCannotBeReadRemovedOrWrittenFailsCleanly) {
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
