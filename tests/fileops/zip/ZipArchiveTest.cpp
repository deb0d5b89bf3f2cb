// Archives made by CreateZipArchive, read back by Python's zipfile and
// `unzip -t`: layout, contents, modes, links, names, and the faults that must
// fail the whole archive without leaving anything behind.
#include "TestEnvironment.h"
#include "ZipReadBack.h"
#include "fileops/zip/TemporaryArchive.h"
#include "util/AppPaths.h"

#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::ReadZip;
using ferrolet::test::Sha256Hex;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

std::string Text(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "Line " + std::to_string(line) + " of a plain report that compresses well.\n";
    }
    text.resize(size);
    return text;
}

class ZipArchiveTest : public ferrolet::test::TempHome {
protected:
    // Every entry of the state directory (archives' UUID folders), so that a
    // failed archive can be shown to leave nothing behind.
    std::vector<std::string> StateEntries() {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(StateDirectory(), ec)) {
            names.push_back(entry.path().string());
        }
        return names;
    }
};

TEST_F(ZipArchiveTest, FolderContentsAtTopWithModesLinksAndContents) {
    const std::string photos = MakeDir("Photos");
    const std::string jpeg = RandomBytes(100 * 1024, 1);
    const std::string notes = Text(20000);
    WriteFile("Photos/beach.jpg", jpeg);
    WriteFile("Photos/notes.txt", notes);
    WriteFile("Photos/Trip/day1.txt", "first day");
    MakeDir("Photos/Empty");
    ASSERT_EQ(chmod(Path("Photos/beach.jpg").c_str(), 0600), 0);
    ASSERT_EQ(chmod(Path("Photos/Trip").c_str(), 0750), 0);
    ASSERT_EQ(symlink("notes.txt", Path("Photos/latest").c_str()), 0);
    ASSERT_EQ(symlink("/nowhere/at/all", Path("Photos/dangling").c_str()), 0);
    ASSERT_EQ(symlink(Path("Outside").c_str(), Path("Photos/outside").c_str()), 0);
    MakeDir("Outside");
    WriteFile("Outside/secret.txt", "must not be followed into");

    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(photos), &archive), 0);
    EXPECT_EQ(archive.Name(), "Photos.zip");
    // <state>/<UUID>/Photos.zip and nothing else there.
    const std::string folder = archive.ParentPath();
    EXPECT_EQ(std::filesystem::path(folder).parent_path().string(), StateDirectory());
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(QString::fromStdString(std::filesystem::path(folder).filename()))
                    .hasMatch())
        << folder;
    EXPECT_EQ(StateEntries().size(), 2u); // the UUID folder and the archive

    const auto zip = ReadZip(archive.Path());
    ASSERT_TRUE(zip.opened);
    EXPECT_TRUE(zip.crcOk);
    EXPECT_TRUE(zip.unzipOk);
    std::vector<std::string> names;
    for (const auto& [name, entry] : zip.entries) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Empty/", "Trip/", "Trip/day1.txt", "beach.jpg",
                                               "dangling", "latest", "notes.txt", "outside"}));

    const auto& beach = zip.entries.at("beach.jpg");
    EXPECT_EQ(beach.data, Sha256Hex(jpeg));
    EXPECT_EQ(beach.mode, 0100600u);
    EXPECT_EQ(beach.method, 0) << "random data is stored, not deflated";
    const auto& text = zip.entries.at("notes.txt");
    EXPECT_EQ(text.data, Sha256Hex(notes));
    EXPECT_EQ(text.method, 8) << "text is deflated";
    EXPECT_EQ(zip.entries.at("Trip/").mode, 040750u);
    EXPECT_EQ(zip.entries.at("Trip/day1.txt").data, "first day");
    // Links are links, with their targets as stored text.
    EXPECT_EQ(zip.entries.at("latest").mode & 0170000u, 0120000u);
    EXPECT_EQ(zip.entries.at("latest").data, "notes.txt");
    EXPECT_EQ(zip.entries.at("dangling").data, "/nowhere/at/all");
    EXPECT_EQ(zip.entries.at("outside").data, Path("Outside"));
}

TEST_F(ZipArchiveTest, FileStoredAsItselfAndKeepsItsTime) {
    const std::string report = WriteFile("Report.pdf", Text(3000));
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, report.c_str(), times, 0), 0);
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(report), &archive), 0);
    EXPECT_EQ(archive.Name(), "Report.pdf.zip");

    const auto zip = ReadZip(archive.Path());
    EXPECT_TRUE(zip.unzipOk);
    ASSERT_EQ(zip.entries.size(), 1u);
    EXPECT_EQ(zip.entries.begin()->first, "Report.pdf");
    EXPECT_EQ(zip.entries.begin()->second.data, Text(3000));

    // Extracted by Info-ZIP, the file gets its modification time back.
    const std::string out = MakeDir("extracted");
    ASSERT_EQ(ferrolet::test::RunProgram({"unzip", "-qq", archive.Path(), "-d", out}), 0);
    struct stat st {};
    ASSERT_EQ(stat((out + "/Report.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1234567890);
}

TEST_F(ZipArchiveTest, NamesMarkedUtf8OnlyWhenTheyAreUtf8) {
    const std::string folder = MakeDir("Names");
    WriteFile("Names/caf\xc3\xa9.txt", "accent");
    WriteFile("Names/latin1-\xe9t\xe9.txt", "not utf-8");
    WriteFile("Names/overlong-\xc0\xaf.txt", "overlong slash");
    WriteFile("Names/plain.txt", "ascii");
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(folder), &archive), 0);

    const auto zip = ReadZip(archive.Path());
    ASSERT_TRUE(zip.opened) << "one name that is not UTF-8 must not make the archive unreadable";
    EXPECT_TRUE(zip.unzipOk);
    ASSERT_EQ(zip.entries.size(), 4u);
    EXPECT_TRUE(zip.entries.at("caf\xc3\xa9.txt").utf8Flag);
    EXPECT_EQ(zip.entries.at("caf\xc3\xa9.txt").data, "accent");
    EXPECT_FALSE(zip.entries.at("latin1-\xe9t\xe9.txt").utf8Flag);
    EXPECT_EQ(zip.entries.at("latin1-\xe9t\xe9.txt").data, "not utf-8");
    EXPECT_FALSE(zip.entries.at("overlong-\xc0\xaf.txt").utf8Flag);
}

TEST_F(ZipArchiveTest, SpecialFilesLeftOutWithoutBlocking) {
    const std::string folder = MakeDir("Mixed");
    WriteFile("Mixed/kept.txt", "kept");
    // Opening a FIFO for reading waits for a writer; the archive must not.
    ASSERT_EQ(mkfifo(Path("Mixed/pipe").c_str(), 0644), 0);
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(folder), &archive), 0);
    const auto zip = ReadZip(archive.Path());
    ASSERT_EQ(zip.entries.size(), 1u);
    EXPECT_EQ(zip.entries.begin()->first, "kept.txt");

    // A FIFO chosen on its own has nothing to archive: a clean failure.
    ASSERT_EQ(mkfifo(Path("lonely").c_str(), 0644), 0);
    const size_t before = StateEntries().size();
    EXPECT_EQ(CreateZipArchive(Ref(Path("lonely")), &archive), EINVAL);
    EXPECT_EQ(StateEntries().size(), before);
}

TEST_F(ZipArchiveTest, UnreadableFileFailsTheWholeArchive) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads everything; the unprivileged run covers this";
    }
    const std::string folder = MakeDir("Locked");
    WriteFile("Locked/a.txt", "readable");
    WriteFile("Locked/z.txt", "unreadable");
    ASSERT_EQ(chmod(Path("Locked/z.txt").c_str(), 0200), 0);
    FileRef archive;
    EXPECT_EQ(CreateZipArchive(Ref(folder), &archive), EACCES);
    EXPECT_TRUE(archive.IsNull());
    EXPECT_EQ(StateEntries(), std::vector<std::string>{})
        << "neither the partial archive nor its UUID folder may stay";

    // An unreadable folder inside fails it just the same.
    ASSERT_EQ(chmod(Path("Locked/z.txt").c_str(), 0600), 0);
    MakeDir("Locked/Private");
    ASSERT_EQ(chmod(Path("Locked/Private").c_str(), 0), 0);
    EXPECT_EQ(CreateZipArchive(Ref(folder), &archive), EACCES);
    EXPECT_EQ(StateEntries(), std::vector<std::string>{});
}

TEST_F(ZipArchiveTest, BigFileStreamedWithProgressAndCancel) {
    // Several read buffers' worth, half random and half text, across the
    // sampling boundary: the bytes must come back exactly.
    const std::string big = RandomBytes(3 * 1024 * 1024, 7) + Text(3 * 1024 * 1024);
    const std::string folder = MakeDir("Big");
    WriteFile("Big/data.bin", big);
    WriteFile("Big/more.bin", big);

    uint64_t announced = 0;
    uint64_t lastDone = 0;
    ProgressSink watcher;
    watcher.started = [&](const std::string&, uint64_t total) { announced = total; };
    watcher.advanced = [&](uint64_t done) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        return true;
    };
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(folder), &archive, &watcher), 0);
    EXPECT_EQ(announced, 2 * big.size());
    EXPECT_GT(lastDone, 0u);
    const auto zip = ReadZip(archive.Path());
    EXPECT_TRUE(zip.unzipOk);
    EXPECT_EQ(zip.entries.at("data.bin").data, Sha256Hex(big));
    EXPECT_EQ(zip.entries.at("more.bin").data, Sha256Hex(big));

    // Cancelling halfway leaves nothing behind.
    ASSERT_EQ(std::filesystem::remove_all(std::filesystem::path(archive.ParentPath())), 2u);
    ProgressSink canceller;
    canceller.advanced = [](uint64_t done) { return done < 5 * 1024 * 1024; };
    EXPECT_EQ(CreateZipArchive(Ref(folder), &archive, &canceller), ECANCELED);
    EXPECT_EQ(StateEntries(), std::vector<std::string>{});
}

TEST_F(ZipArchiveTest, LongNameStillFitsWithItsSuffix) {
    // 127 two-byte characters: 254 bytes, so "<name>.zip" would pass 255.
    std::string name;
    for (int i = 0; i < 127; ++i) {
        name += "\xc3\xa9";
    }
    const std::string file = WriteFile(name, "long");
    FileRef archive;
    ASSERT_EQ(CreateZipArchive(Ref(file), &archive), 0);
    const std::string archiveName = archive.Name();
    EXPECT_LE(archiveName.size(), 255u);
    EXPECT_TRUE(archiveName.ends_with("\xc3\xa9.zip")) << "cut at a character boundary";
    EXPECT_EQ(ArchiveNameFor("Photos"), "Photos.zip");
    EXPECT_EQ(ArchiveNameFor(".config"), ".config.zip");
}

} // namespace
