// Archives made by CreateZipArchive and its zip writer, read back by Python's
// zipfile and `unzip -t`: contents, modes, links, names, blocks deflated on
// several threads, zip64, and faults that leave no archive and no thread.
#include "../engine/EngineFixture.h"
#include "HostileNames.h"
#include "ZipReadBack.h"
#include "fileops/zip/TemporaryArchive.h"
#include "fileops/zip/ZipWriter.h"
#include "util/AppPaths.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::ReadZip;
using ferrolet::test::Sha256Hex;

namespace {

constexpr size_t kBlock = ZipWriter::kBlockBytes;

// Text whose lines differ, so that a block deflated with the wrong window
// before it, or blocks put together in the wrong order, read back wrong.
std::string Text(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "Line " + std::to_string(line * 7919 % 100003) + " of a report that compresses.\n";
    }
    text.resize(size);
    return text;
}

// The engine's fixture, for its Bytes: contents that do not compress.
using ZipArchiveTest = ferrolet::test::EngineTest;

struct Expected {
    std::string name;
    std::string data; // contents or a link's target
    unsigned mode;
    int method; // 0 stored, 8 deflated, -1 either
    bool utf8;
};

TEST_F(ZipArchiveTest, MixedTreeReadsBackEntryForEntry) {
    const std::string big = Text(33 * kBlock + 1234), noise = Bytes(3 * kBlock + 99, '7');
    const std::string mixed = Bytes(kBlock, '3') + Text(2 * kBlock); // judged by its start
    const std::string photo = Bytes(100 * 1024, '1'), notes = Text(20000);
    std::vector<Expected> expected = {
        {"Empty/", "", 040700, 0, false},
        {"Trip/", "", 040750, 0, false},
        {"Trip/day1.txt", "first day", 0100644, -1, false},
        {"big.txt", big, 0100644, 8, false},
        {"caf\xc3\xa9.txt", "accent", 0100644, -1, true},
        {"dangling", "/nowhere/at/all", 0120777, 0, false},
        {"empty", "", 0100644, 0, false},
        {"latest", "notes.txt", 0120777, 0, false},
        {"latin1-\xe9t\xe9.txt", "not utf-8", 0100644, -1, false},
        {"mixed.bin", mixed, 0100644, 0, false},
        {"noise.bin", noise, 0100644, 0, false},
        {"notes.txt", notes, 0100644, 8, false},
        {"outside", Path("Outside"), 0120777, 0, false},
        {"overlong-\xc0\xaf.txt", "overlong slash", 0100644, -1, false},
        {"photo.jpg", photo, 0100600, 0, false},
    };
    const std::string top = MakeDir("Mixed");
    MakeDir("Mixed/Empty");
    MakeDir("Outside");
    WriteFile("Outside/secret.txt", "must not be followed into");
    uint64_t total = 0;
    for (const Expected& entry : expected) {
        const std::string path = top + "/" + entry.name;
        if ((entry.mode & 0170000) == 0100000) {
            WriteFile("Mixed/" + entry.name, entry.data);
            total += entry.data.size();
            ASSERT_EQ(chmod(path.c_str(), entry.mode & 07777), 0);
        } else if ((entry.mode & 0170000) == 0120000) {
            ASSERT_EQ(symlink(entry.data.c_str(), path.c_str()), 0);
        } else {
            MakeDir("Mixed/" + entry.name);
            ASSERT_EQ(chmod(path.c_str(), entry.mode & 07777), 0);
        }
    }
    for (const auto& hostile : ferrolet::test::HostileNames()) {
        WriteFile("Mixed/Trip/" + hostile.name, hostile.name);
        total += hostile.name.size();
        const bool ascii = std::all_of(hostile.name.begin(), hostile.name.end(),
                                       [](char c) { return (c & 0x80) == 0; });
        expected.push_back({"Trip/" + hostile.name, hostile.name, 0100644, -1,
                            hostile.utf8 && !ascii}); // plain ASCII needs no mark
    }
    // Opening a FIFO for reading waits for a writer; the archive leaves it out.
    ASSERT_EQ(mkfifo(Path("Mixed/pipe").c_str(), 0644), 0);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (top + "/notes.txt").c_str(), times, 0), 0);

    uint64_t announced = 0, lastDone = 0;
    ProgressSink watcher;
    watcher.started = [&](const std::string&, uint64_t total) { announced = total; };
    watcher.advanced = [&](uint64_t done) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        return true;
    };
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(top), &archive, &watcher), 0);
    EXPECT_EQ(archive.Name(), "Mixed.zip");
    EXPECT_GT(lastDone, 0u);
    EXPECT_EQ(announced, total);
    // <state>/<UUID>/Mixed.zip and nothing else there.
    const std::filesystem::path folder = archive.ParentPath();
    EXPECT_EQ(folder.parent_path().string(), StateDirectory());
    EXPECT_EQ(folder.filename().string().size(), 36u) << folder;
    EXPECT_EQ(Names(StateDirectory()), std::vector<std::string>{folder.filename().string()});
    EXPECT_EQ(Names(folder), std::vector<std::string>{"Mixed.zip"});

    const auto zip = ReadZip(archive.Path());
    ASSERT_TRUE(zip.opened) << "one name that is not UTF-8 must not make the archive unreadable";
    EXPECT_TRUE(zip.crcOk);
    EXPECT_TRUE(zip.unzipOk);
    EXPECT_EQ(zip.entries.size(), expected.size());
    for (const Expected& entry : expected) {
        const auto found = zip.entries.find(entry.name);
        ASSERT_NE(found, zip.entries.end()) << entry.name;
        EXPECT_EQ(found->second.data, entry.data.size() > 4096 ? Sha256Hex(entry.data) : entry.data)
            << entry.name;
        EXPECT_EQ(found->second.mode, entry.mode) << entry.name;
        EXPECT_EQ(found->second.utf8Flag, entry.utf8) << entry.name;
        if (entry.method >= 0) {
            EXPECT_EQ(found->second.method, entry.method) << entry.name;
        }
    }

    // Extracted by Info-ZIP, a file gets its modification time back.
    const std::string out = MakeDir("extracted");
    ASSERT_EQ(ferrolet::test::RunProgram({"unzip", "-qq", archive.Path(), "notes.txt", "-d", out}),
              0);
    struct stat st {};
    ASSERT_EQ(stat((out + "/notes.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1234567890);

    // An item alone is "<name>.zip" (the commands' ClashTest reads one back).
    // 127 two-byte characters: 254 bytes, so "<name>.zip" would pass 255.
    const std::string name = QString(127, QChar(0xE9)).toStdString();
    ASSERT_EQ(CreateZipArchive(Ref(WriteFile(name, "long")), &archive), 0);
    EXPECT_LE(archive.Name().size(), 255u);
    EXPECT_TRUE(archive.Name().ends_with("\xc3\xa9.zip")) << "cut at a character boundary";
    EXPECT_EQ(ArchiveNameFor(".config"), ".config.zip");

    // A FIFO chosen on its own has nothing to archive: a clean failure.
    ASSERT_EQ(mkfifo(Path("lonely").c_str(), 0644), 0);
    const auto before = Names(StateDirectory());
    EXPECT_EQ(CreateZipArchive(Ref(Path("lonely")), &archive), EINVAL);
    EXPECT_EQ(Names(StateDirectory()), before);
}

TEST_F(ZipArchiveTest, CancelAndUnreadableLeaveNoArchiveNorThread) {
    const std::string big = Text(40 * kBlock);
    const std::string folder = MakeDir("Big");
    WriteFile("Big/a.txt", big);
    WriteFile("Big/b.txt", big);
    const size_t threads = Names("/proc/self/task").size();
    // Cancelled halfway, with blocks in flight on every compressor.
    ProgressSink canceller;
    canceller.advanced = [](uint64_t done) { return done < 5 * 1024 * 1024; };
    FileRef archive;
    EXPECT_EQ(CreateZipArchive(Ref(folder), &archive, &canceller), ECANCELED);
    EXPECT_TRUE(archive.IsNull());
    EXPECT_EQ(Names(StateDirectory()), std::vector<std::string>{})
        << "neither the partial archive nor its UUID folder may stay";
    EXPECT_EQ(Names("/proc/self/task").size(), threads) << "every compressor thread has ended";

    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads everything; the unprivileged run covers the rest";
    }
    // An unreadable file or folder inside fails it just the same.
    for (const std::string& unreadable : {Path("Big/b.txt"), MakeDir("Big/Private")}) {
        ASSERT_EQ(chmod(unreadable.c_str(), 0), 0);
        EXPECT_EQ(CreateZipArchive(Ref(folder), &archive), EACCES) << unreadable;
        EXPECT_EQ(Names(StateDirectory()), std::vector<std::string>{});
        ASSERT_EQ(chmod(unreadable.c_str(), 0700), 0);
    }
    EXPECT_EQ(Names("/proc/self/task").size(), threads);
}

// More entries than the classic end record counts: zip64's end record and
// locator, which readers must find.
TEST_F(ZipArchiveTest, WriterPastSixtyFiveThousandEntries) {
    const std::string path = Path("many.zip");
    struct stat st {};
    ASSERT_EQ(stat(m_root.c_str(), &st), 0);
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ZipWriter writer;
        ASSERT_EQ(writer.Open(fd), 0);
        for (int i = 0; i < 70000; ++i) {
            ASSERT_EQ(writer.AddFolder("f" + std::to_string(i), st), 0);
        }
        st.st_mode = S_IFREG | 0644;
        st.st_size = 5;
        ASSERT_EQ(writer.BeginFile("last.txt", st), 0);
        std::copy_n("final", 5, writer.NextBlock(5));
        ASSERT_EQ(writer.CommitBlock(), 0);
        ASSERT_EQ(writer.Close(), 0);
        close(fd);
    }
    const auto zip = ReadZip(path);
    EXPECT_TRUE(zip.crcOk);
    EXPECT_TRUE(zip.unzipOk);
    EXPECT_EQ(zip.entries.size(), 70001u);
    EXPECT_EQ(zip.entries.count("f69999/"), 1u);
    EXPECT_EQ(zip.entries.at("last.txt").data, "final");
}

} // namespace
