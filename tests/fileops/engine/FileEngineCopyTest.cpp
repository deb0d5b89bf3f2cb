// Copies (within and across file systems) and deletes, checked against the
// real files they leave behind.
#include "EngineFixture.h"
#include "fileops/engine/FileEngine.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace ferrolet;
using ferrolet::test::CaptureTree;
using ferrolet::test::DescribeDifference;

namespace {

class CopyObjectTest : public ferrolet::test::EngineTest {};

TEST_F(CopyObjectTest, AFolderTreeIsCopiedWholeAndTheSourceIsUntouched) {
    const std::string root = MakeDir("src/Project");
    WriteFile("src/Project/main.cpp", Bytes(150000, 'm'));
    WriteFile("src/Project/docs/readme.md", "read me");
    MakeDir("src/Project/build");
    ASSERT_EQ(symlink("docs/readme.md", (root + "/README").c_str()), 0);
    ASSERT_EQ(symlink("/etc", (root + "/outside").c_str()), 0);
    ASSERT_EQ(chmod((root + "/main.cpp").c_str(), 0751), 0);
    SetXattr(root + "/docs/readme.md", "user.xdg.comment", "start here");
    SetXattr(root, "user.xdg.comment", "the whole project");
    SetMtime(root + "/docs/readme.md", 1000000000, 1);
    SetMtime(root + "/docs", 1000000001, 2);
    const auto before = CaptureTree(root);

    for (const std::string& dest : {MakeDir("dest"), OtherFsDir("dest")}) {
        FileRef copy;
        ASSERT_EQ(CopyObject(Ref(root), FolderRef(dest), nullptr, &copy), 0) << dest;
        EXPECT_EQ(DescribeDifference(before, CaptureTree(dest + "/Project")), "") << dest;
        EXPECT_EQ(copy.Path(), dest + "/Project");
        EXPECT_TRUE(copy.IsValid());
        EXPECT_NE(Inode(dest + "/Project/main.cpp"), Inode(root + "/main.cpp"));
        EXPECT_EQ(PartialCopiesIn(dest), 0);
    }
    EXPECT_EQ(DescribeDifference(before, CaptureTree(root)), "");
    const auto outside = CaptureTree(Path("dest/Project/outside"));
    EXPECT_EQ(outside.size(), 1u) << "a link out of the tree is not followed";
    EXPECT_EQ(outside.at(".").linkTarget, "/etc");
}

TEST_F(CopyObjectTest, ASameNamedItemMakesTheCopyFailAndStaysAsItWas) {
    const std::string file = WriteFile("src/a.txt", "new");
    const std::string folder = MakeDir("src/stuff");
    WriteFile("src/stuff/inner", "inner");
    const std::string dest = OtherFsDir("dest");
    const std::string existing = dest + "/a.txt";
    {
        FILE* f = fopen(existing.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs("old", f);
        fclose(f);
    }
    ASSERT_EQ(mkdir((dest + "/stuff").c_str(), 0700), 0);
    FileRef copy;
    EXPECT_EQ(CopyObject(Ref(file), FolderRef(dest), nullptr, &copy), EEXIST);
    EXPECT_EQ(CopyObject(Ref(folder), FolderRef(dest), nullptr, &copy), EEXIST);
    EXPECT_EQ(ReadFile(existing), "old");
    EXPECT_EQ(CaptureTree(dest + "/stuff").size(), 1u) << "the existing folder gains nothing";
    // Into its own folder: the item itself is the clash.
    EXPECT_EQ(CopyObject(Ref(file), FolderRef(Path("src")), nullptr, &copy), EEXIST);
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(PartialCopiesIn(dest), 0);
    EXPECT_EQ(PartialCopiesIn(Path("src")), 0);
    // Under another name it works.
    const std::string name = "a copy.txt";
    ASSERT_EQ(CopyObject(Ref(file), FolderRef(Path("src")), &name, &copy), 0);
    EXPECT_EQ(ReadFile(Path("src/a copy.txt")), "new");
}

TEST_F(CopyObjectTest, SpecialFilesAreRecreatedNeverOpened) {
    const std::string root = MakeDir("src/runtime");
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0640), 0);
    // A bound socket leaves its node in the folder.
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = root + "/control.sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(sock);
    WriteFile("src/runtime/pid", "1234");
    const auto before = CaptureTree(root);

    // Opening the FIFO for reading would wait for a writer for ever; the
    // alarm turns such a hang into a failure.
    alarm(60);
    FileRef copy;
    const Status copied = CopyObject(Ref(root), FolderRef(OtherFsDir("dest")), nullptr, &copy);
    FileRef moved;
    const Status movedStatus =
        MoveObject(Ref(root), FolderRef(OtherFsDir("moved")), nullptr, &moved);
    alarm(0);
    ASSERT_EQ(copied, 0);
    ASSERT_EQ(movedStatus, 0);
    EXPECT_EQ(DescribeDifference(before, CaptureTree(copy.Path())), "");
    EXPECT_EQ(DescribeDifference(before, CaptureTree(moved.Path())), "");
    EXPECT_EQ(CaptureTree(moved.Path()).at("./pipe").type, 'p');
    EXPECT_FALSE(Exists(root));
}

TEST_F(CopyObjectTest, LinksAreCopiedAsLinksAndHardLinksAsFiles) {
    const std::string target = WriteFile("data/target.bin", Bytes(4096, 't'));
    MakeDir("src");
    const std::string link = Path("src/shortcut");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string dirLink = Path("src/folder-shortcut");
    ASSERT_EQ(symlink(Path("data").c_str(), dirLink.c_str()), 0);
    const std::string dest = OtherFsDir("dest");
    FileRef copy;
    ASSERT_EQ(CopyObject(Ref(link), FolderRef(dest), nullptr, &copy), 0);
    ASSERT_EQ(CopyObject(Ref(dirLink), FolderRef(dest), nullptr, &copy), 0);
    EXPECT_EQ(CaptureTree(dest + "/shortcut").at(".").linkTarget, target);
    EXPECT_EQ(CaptureTree(dest + "/folder-shortcut").size(), 1u) << "the folder was not copied";
    EXPECT_EQ(CaptureTree(dest + "/folder-shortcut").at(".").type, 'l');

    const std::string pair = MakeDir("src/pair");
    WriteFile("src/pair/one", "shared contents");
    ASSERT_EQ(::link((pair + "/one").c_str(), (pair + "/two").c_str()), 0);
    ASSERT_EQ(CopyObject(Ref(pair), FolderRef(dest), nullptr, &copy), 0);
    EXPECT_EQ(ReadFile(dest + "/pair/one"), "shared contents");
    EXPECT_EQ(ReadFile(dest + "/pair/two"), "shared contents");
    // The source pair is still linked and untouched.
    EXPECT_EQ(Inode(pair + "/one"), Inode(pair + "/two"));
}

TEST_F(CopyObjectTest, LargeFilesAreStreamedExactly) {
    // Larger than every chunk and buffer, and not a multiple of any.
    const std::string contents = Bytes((9 << 20) + 12345, 'z');
    const std::string file = WriteFile("src/large.bin", contents);
    for (const std::string& dest : {MakeDir("dest"), OtherFsDir("dest")}) {
        FileRef copy;
        ASSERT_EQ(CopyObject(Ref(file), FolderRef(dest), nullptr, &copy), 0);
        EXPECT_TRUE(ReadFile(dest + "/large.bin") == contents) << dest;
    }
}

class DeleteObjectTest : public ferrolet::test::EngineTest {};

TEST_F(DeleteObjectTest, RemovesFilesLinksAndEmptyFoldersOnly) {
    const std::string file = WriteFile("a.txt", "a");
    const std::string target = WriteFile("target.txt", "target");
    const std::string link = Path("link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string empty = MakeDir("empty");
    const std::string full = MakeDir("full");
    WriteFile("full/keep.txt", "keep");

    EXPECT_EQ(DeleteObject(Ref(file)), 0);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(DeleteObject(Ref(link)), 0);
    EXPECT_FALSE(Exists(link));
    EXPECT_EQ(ReadFile(target), "target") << "the link's target stays";
    EXPECT_EQ(DeleteObject(Ref(empty)), 0);
    EXPECT_FALSE(Exists(empty));
    EXPECT_EQ(DeleteObject(Ref(full)), ENOTEMPTY);
    EXPECT_EQ(ReadFile(full + "/keep.txt"), "keep");

    EXPECT_EQ(DeleteObject(FileRef()), EINVAL);
    const FileRef stale = Ref(target);
    // Kept aside, so that its inode number cannot be reused at once.
    ASSERT_EQ(rename(target.c_str(), (target + ".kept").c_str()), 0);
    WriteFile("target.txt", "replacement");
    EXPECT_EQ(DeleteObject(stale), ENOENT) << "another item under the old path is not touched";
    EXPECT_EQ(ReadFile(target), "replacement");
}

} // namespace
