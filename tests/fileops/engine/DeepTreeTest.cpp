// Trees deeper than one descriptor per level allows: copy, move across file
// systems and archive succeed with few descriptors and linear memory, and
// refuse a folder swapped for a link while they were below it.
#include "../zip/ZipReadBack.h"
#include "EngineFixture.h"
#include "fileops/engine/FileEngine.h"
#include "fileops/engine/SourceRemoval.h"
#include "fileops/zip/ZipArchive.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;
using namespace ferrolet::test;

namespace {

class DeepTreeTest : public EngineTest {
protected:
    // Runs body in a child allowed 64 descriptors; its exit code (128 + the
    // signal that ended it) and its peak resident size in KiB.
    static int InChild(const std::function<int()>& body, long* peakKiB = nullptr) {
        const pid_t pid = fork();
        if (pid == 0) {
            const rlimit few{64, 64};
            _exit(setrlimit(RLIMIT_NOFILE, &few) == 0 ? body() : 99);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (peakKiB) {
            *peakKiB = usage.ru_maxrss;
        }
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }

    // A chain of depth folders "d" below root, made relative to the level
    // above so no path grows with the depth. With levelFiles, each level also
    // holds a file "f" naming its depth; the bottom holds "leaf".
    static void MakeChain(const std::string& root, int depth, bool levelFiles,
                          const std::string& leaf) {
        int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; i <= depth; ++i) {
            const std::string text = i == depth ? leaf : std::to_string(i);
            if (i == depth || levelFiles) {
                const int file = openat(fd, i == depth ? "leaf" : "f", O_WRONLY | O_CREAT, 0644);
                ASSERT_EQ(write(file, text.data(), text.size()), ssize_t(text.size()));
                close(file);
            }
            if (i < depth) {
                ASSERT_EQ(mkdirat(fd, "d", 0755), 0) << i;
                const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                close(fd);
                fd = next;
            }
        }
        close(fd);
    }

    // How many folders "d" the chain below root holds above a "leaf" holding
    // leaf; -1 when it is anything else.
    static int ChainDepth(const std::string& root, const std::string& leaf) {
        int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), depth = 0;
        for (int next;
             (next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) >= 0;
             ++depth) {
            close(fd);
            fd = next;
        }
        char bytes[64] = {};
        const int file = openat(fd, "leaf", O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        const ssize_t n = file < 0 ? -1 : read(file, bytes, sizeof bytes);
        close(file);
        close(fd);
        return n >= 0 && std::string(bytes, size_t(n)) == leaf ? depth : -1;
    }

    // Copies top into copies, archives it to zip and moves it into moved;
    // one bit for each that failed.
    static int CopyArchiveMove(const std::string& top, const std::string& copies,
                               const std::string& zip, const std::string& moved) {
        const FileRef item = Ref(top);
        FileRef out;
        const int zipFd = open(zip.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::string failed;
        const Status statuses[] = {CopyObject(item, FolderRef(copies), nullptr, &out, nullptr),
                                   WriteZipArchive(item, zipFd, nullptr, &failed),
                                   MoveObject(item, FolderRef(moved), nullptr, &out, nullptr)};
        fprintf(stderr, "copy %d, archive %d (%s), move %d\n", statuses[0], statuses[1],
                failed.c_str(), statuses[2]);
        return (statuses[0] != 0) | (statuses[1] != 0) << 1 | (statuses[2] != 0) << 2;
    }
};

// 500 levels under 64 descriptors: the copy and the move across file systems
// give the tree back entry for entry, and the archive holds every entry. A
// folder the walk is inside of is swapped for a symbolic link to it (by a
// progress report from the file at the bottom): climbing back out refuses
// it, for the copy and for the archive, and no partial copy stays.
TEST_F(DeepTreeTest, DeepWalksKeepEveryEntryAndRefuseAFolderSwappedForALink) {
    const std::string top = MakeDir("src/top"), copies = MakeDir("copies");
    const std::string moved = OtherFsDir("moved"), zip = Path("top.zip");
    MakeChain(top, 500, true, "bottom");
    const auto before = CaptureTree(top);
    EXPECT_EQ(InChild([&] { return CopyArchiveMove(top, copies, zip, moved); }), 0);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(copies + "/top")), "");
    EXPECT_EQ(DescribeDifference(before, CaptureTree(moved + "/top")), "");
    EXPECT_FALSE(Exists(top));

    const auto read = ReadZip(zip);
    EXPECT_TRUE(read.opened && read.crcOk);
    // The folder's contents at the top: "d/", "f", "d/d/", "d/f", ...
    EXPECT_EQ(read.entries.size(), before.size() - 1);
    std::string prefix;
    for (int level = 0; level < 500; ++level, prefix += "d/") {
        const auto file = read.entries.find(prefix + "f");
        ASSERT_NE(file, read.entries.end()) << level;
        EXPECT_EQ(file->second.data, std::to_string(level));
        EXPECT_TRUE(read.entries.count(prefix + "d/")) << level;
    }
    EXPECT_EQ(read.entries.at(prefix + "leaf").data, "bottom");

    std::filesystem::remove_all(copies + "/top");
    MakeChain(MakeDir("src/top"), 30, false, Bytes(6 << 20, 's'));
    const std::string swapped = top + "/d/d/d";
    ProgressSink swap;
    swap.advanced = [&](uint64_t) {
        if (rename(swapped.c_str(), (top + "/d/d/real").c_str()) == 0) {
            EXPECT_EQ(symlink("real", swapped.c_str()), 0);
        }
        return true;
    };
    const std::function<Status()> walks[] = {
        [&] { return CopyObject(Ref(top), FolderRef(copies), nullptr, nullptr, &swap); },
        [&] {
            const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
            const Status status = WriteZipArchive(Ref(top), sink, &swap);
            close(sink);
            return status;
        },
    };
    for (const auto& walk : walks) {
        EXPECT_EQ(walk(), EBUSY);
        ASSERT_EQ(unlink(swapped.c_str()), 0);
        ASSERT_EQ(rename((top + "/d/d/real").c_str(), swapped.c_str()), 0);
    }
    EXPECT_EQ(PartialCopiesIn(copies), 0);
    EXPECT_FALSE(Exists(copies + "/top"));
}

// 15,000 levels: copy, archive and move in a child that has 64 descriptors,
// an ordinary stack and memory for little more than the archive's own index
// of names (215 MiB for this chain: each entry's full name, in memory until
// the archive is closed). Another copy of the path prefix per level would
// cost as much again.
TEST_F(DeepTreeTest, FifteenThousandLevelsInLinearMemory) {
    constexpr int kDepth = 15000;
    const std::string top = OtherFsDir("src/top"), copies = OtherFsDir("copies");
    const std::string moved = OtherFsDir("moved");
    MakeChain(top, kDepth, false, "bottom");
    long peakKiB = 0;
    const int ended = InChild(
        [&] {
            // The move goes to a tmpfs of the child's own, gone with it, when
            // it may mount one: quicker than the disk, and another file system.
            if (unshare(CLONE_NEWNS) == 0 &&
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
                mount("tmpfs", moved.c_str(), "tmpfs", 0, nullptr);
            }
            return CopyArchiveMove(top, copies, "/dev/null", moved) |
                   (ChainDepth(moved + "/top", "bottom") != kDepth) << 3;
        },
        &peakKiB);
    std::printf("peak resident size of the %d-level walks: %ld MiB\n", kDepth, peakKiB / 1024);
    EXPECT_EQ(ended, 0);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's shadow memory and quarantine are not ours
    EXPECT_LT(peakKiB, 300L * 1000 * 1000 / 1024);
#endif
    EXPECT_EQ(ChainDepth(copies + "/top", "bottom"), kDepth);
    EXPECT_FALSE(Exists(top));
    // Paths past PATH_MAX, which the fixture's clean-up cannot take.
    for (const std::string& folder : {copies, moved}) {
        EXPECT_EQ(RemoveOwnTreeAt(AT_FDCWD, folder), 0) << folder;
    }
}

} // namespace
