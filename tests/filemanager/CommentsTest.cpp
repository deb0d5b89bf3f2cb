#include "TestEnvironment.h"
#include "filemanager/ItemComments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/xattr.h>
#include <unistd.h>

namespace ferrolet {
namespace {

class CommentsTest : public test::TempHome {
protected:
    FileRef Ref(const std::string& path) {
        FileRef ref;
        EXPECT_EQ(FileRef::FromPath(path, ref), 0) << path;
        return ref;
    }

    // The attribute's bytes as another program sees them.
    static std::string RawComment(const std::string& path) {
        std::string out;
        if (test::RunProgram({"getfattr", "--absolute-names", "--only-values", "-h", "-n",
                              kCommentAttribute, path},
                             &out) != 0) {
            return "<none>";
        }
        return out;
    }

    // The file system under path keeps user attributes of this size.
    static bool KeepsUserAttributes(const std::string& folder, size_t size = 1) {
        const std::string probe = folder + "/.ferrolet-xattr-probe-" + std::to_string(getpid());
        FILE* f = fopen(probe.c_str(), "w");
        if (!f) {
            return false;
        }
        fclose(f);
        const std::string value(size, 'p');
        const bool ok = setxattr(probe.c_str(), "user.probe", value.data(), value.size(), 0) == 0;
        unlink(probe.c_str());
        return ok;
    }

    void SetUp() override {
        TempHome::SetUp();
        if (!KeepsUserAttributes(m_root)) {
            GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
        }
    }
};

TEST_F(CommentsTest, WrittenCommentIsTheFreedesktopAttributeInUtf8) {
    const std::string file = WriteFile("a.txt", "data");
    const FileRef ref = Ref(file);
    QString comment = QStringLiteral("stale");
    bool has = true;
    EXPECT_EQ(ReadItemComment(ref, comment, has), 0);
    EXPECT_FALSE(has);
    EXPECT_TRUE(comment.isEmpty());

    const QString text = QStringLiteral("Rechnung März — “paid” 日本");
    ASSERT_EQ(WriteItemComment(ref, text), 0);
    EXPECT_EQ(RawComment(file), text.toUtf8().toStdString());
    EXPECT_EQ(ReadItemComment(ref, comment, has), 0);
    EXPECT_TRUE(has);
    EXPECT_EQ(comment, text);
    EXPECT_EQ(ReadFile(file), "data");

    // Folders carry comments too; an empty comment removes the attribute.
    const FileRef folder = Ref(MakeDir("folder"));
    ASSERT_EQ(WriteItemComment(folder, QStringLiteral("a folder")), 0);
    ASSERT_EQ(WriteItemComment(ref, QString()), 0);
    EXPECT_EQ(RawComment(file), "<none>");
    EXPECT_EQ(ReadItemComment(ref, comment, has), 0);
    EXPECT_FALSE(has);
    EXPECT_EQ(WriteItemComment(ref, QString()), 0); // removing nothing is fine
    EXPECT_EQ(ReadItemComment(folder, comment, has), 0);
    EXPECT_EQ(comment, QStringLiteral("a folder"));
}

TEST_F(CommentsTest, CommentFollowsTheItemThroughRenameAndCopyElsewhere) {
    const std::string file = WriteFile("report.txt", "contents");
    ASSERT_EQ(WriteItemComment(Ref(file), QStringLiteral("keep me")), 0);

    // A rename keeps the inode and with it the attribute.
    const std::string renamed = Path("renamed report.txt");
    ASSERT_EQ(rename(file.c_str(), renamed.c_str()), 0);
    QString comment;
    bool has = false;
    ASSERT_EQ(ReadItemComment(Ref(renamed), comment, has), 0);
    ASSERT_TRUE(has);
    EXPECT_EQ(comment, QStringLiteral("keep me"));

    // Another file system: a plain copy loses the attribute, so the comment is
    // read before and written after, as the copy commands do.
    const std::string shm = "/dev/shm";
    if (!KeepsUserAttributes(shm)) {
        GTEST_SKIP() << "/dev/shm (tmpfs) keeps no user attributes on this kernel";
    }
    const std::string copy = shm + "/ferrolet-comment-copy-" + std::to_string(getpid());
    ASSERT_TRUE(std::filesystem::copy_file(renamed, copy));
    const FileRef copyRef = Ref(copy);
    QString before;
    ASSERT_EQ(ReadItemComment(copyRef, before, has), 0);
    EXPECT_FALSE(has) << "the plain copy already carried the attribute";
    EXPECT_EQ(WriteItemComment(copyRef, comment), 0);
    EXPECT_EQ(RawComment(copy), "keep me");
    EXPECT_EQ(ReadFile(copy), "contents");

    // tmpfs keeps a value of the full 64 KiB a comment may have.
    const QString full(static_cast<qsizetype>(kMaxCommentBytes), QLatin1Char('c'));
    if (KeepsUserAttributes(shm, kMaxCommentBytes)) {
        EXPECT_EQ(WriteItemComment(copyRef, full), 0);
        EXPECT_EQ(ReadItemComment(copyRef, before, has), 0);
        EXPECT_TRUE(has);
        EXPECT_EQ(before, full);
    }
    unlink(copy.c_str());
}

TEST_F(CommentsTest, UnreadableOrOversizedValuesAreNoComment) {
    const std::string file = WriteFile("bad.txt");
    const FileRef ref = Ref(file);
    const char notUtf8[] = "caf\xE9 \xFF\xFE";
    ASSERT_EQ(setxattr(file.c_str(), kCommentAttribute, notUtf8, sizeof notUtf8 - 1, 0), 0);
    QString comment = QStringLiteral("stale");
    bool has = true;
    EXPECT_EQ(ReadItemComment(ref, comment, has), EILSEQ);
    EXPECT_FALSE(has);
    EXPECT_TRUE(comment.isEmpty());

    // Over 64 KiB is refused before the file system is asked, and the comment
    // already there stays as it was.
    ASSERT_EQ(WriteItemComment(ref, QStringLiteral("old")), 0);
    const QString huge(static_cast<qsizetype>(kMaxCommentBytes + 1), QLatin1Char('h'));
    EXPECT_EQ(WriteItemComment(ref, huge), E2BIG);
    // Four-byte characters count in bytes, not characters.
    const QString wide = QString::fromUtf8("\xF0\x9F\x93\x81").repeated(16385);
    EXPECT_EQ(WriteItemComment(ref, wide), E2BIG);
    // A comment over this file system's own limit (about 4 KiB on ext4) fails
    // with the system's status when the file system refuses it.
    const QString big(static_cast<qsizetype>(kMaxCommentBytes - 1), QLatin1Char('b'));
    if (!KeepsUserAttributes(m_root, kMaxCommentBytes - 1)) {
        EXPECT_NE(WriteItemComment(ref, big), 0);
    }
    EXPECT_EQ(RawComment(file), "old");
}

TEST_F(CommentsTest, LinksAndItemsThatAreNotThereCarryNone) {
    const std::string target = WriteFile("target.txt");
    ASSERT_EQ(WriteItemComment(Ref(target), QStringLiteral("target's")), 0);
    const std::string link = Path("link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const FileRef linkRef = Ref(link);
    QString comment;
    bool has = true;
    EXPECT_EQ(ReadItemComment(linkRef, comment, has), 0);
    EXPECT_FALSE(has) << "the link's target comment was read through the link";
    EXPECT_NE(WriteItemComment(linkRef, QStringLiteral("through the link")), 0);
    EXPECT_EQ(RawComment(target), "target's");

    EXPECT_EQ(ReadItemComment(FileRef(), comment, has), EINVAL);
    EXPECT_EQ(WriteItemComment(FileRef(), QStringLiteral("x")), EINVAL);
    const FileRef gone = Ref(WriteFile("gone.txt"));
    unlink(gone.Path().c_str());
    EXPECT_EQ(ReadItemComment(gone, comment, has), ENOENT);
    EXPECT_EQ(WriteItemComment(gone, QStringLiteral("x")), ENOENT);
    // A file system without user attributes answers with a failing status.
    FileRef proc;
    ASSERT_EQ(FileRef::FromPath("/proc/version", proc), 0);
    // (Writing is refused either way: not supported, or not permitted.)
    EXPECT_NE(WriteItemComment(proc, QStringLiteral("x")), 0);
    EXPECT_EQ(ReadItemComment(proc, comment, has), EOPNOTSUPP);
    EXPECT_FALSE(has);
}

} // namespace
} // namespace ferrolet
