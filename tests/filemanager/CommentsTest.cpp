// Comments as the freedesktop attribute user.xdg.comment, read back by
// getfattr as another program sees them.
#include "TestEnvironment.h"
#include "filemanager/ItemComments.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/xattr.h>
#include <unistd.h>

namespace ferrolet::test {
namespace {

// Whether the file system under folder keeps a user attribute of size bytes.
bool KeepsUserAttributes(const std::string& folder, size_t size = 1) {
    const std::string probe = folder + "/.ferrolet-xattr-probe-" + std::to_string(getpid());
    close(open(probe.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
    const std::string value(size, 'p');
    const bool ok = setxattr(probe.c_str(), "user.probe", value.data(), value.size(), 0) == 0;
    unlink(probe.c_str());
    return ok;
}

class CommentsTest : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        if (!KeepsUserAttributes(m_root)) {
            GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
        }
    }
    static std::string Raw(const std::string& path) {
        std::string out;
        return RunProgram({"getfattr", "--absolute-names", "--only-values", "-h", "-n",
                           kCommentAttribute, path},
                          &out) == 0
                   ? out
                   : "<none>";
    }
    // The comment as read, "<none>" when there is none, "<errno>" on failure.
    std::string Read(const FileRef& ref) {
        QString comment = QStringLiteral("stale");
        bool has = true;
        const Status status = ReadItemComment(ref, comment, has);
        if (status != 0) {
            EXPECT_FALSE(has);
            return "<" + std::to_string(status) + ">";
        }
        return has ? comment.toStdString() : "<none>";
    }
};

TEST_F(CommentsTest, Utf8ReadBackRemovedWhenEmptyAndBadValuesCarryNone) {
    const std::string file = WriteFile("a.txt", "data");
    const FileRef ref = Ref(file);
    const QString text = QStringLiteral("Rechnung März — “paid” 日本");
    ASSERT_EQ(WriteItemComment(ref, text), 0);
    EXPECT_EQ(Raw(file), text.toUtf8().toStdString());
    EXPECT_EQ(Read(ref), text.toStdString());
    EXPECT_EQ(ReadFile(file), "data");
    ASSERT_EQ(WriteItemComment(ref, QString()), 0);
    EXPECT_EQ(Raw(file), "<none>");
    EXPECT_EQ(WriteItemComment(ref, QString()), 0) << "removing nothing is fine";

    const char notUtf8[] = "caf\xE9 \xFF\xFE";
    ASSERT_EQ(setxattr(file.c_str(), kCommentAttribute, notUtf8, sizeof notUtf8 - 1, 0), 0);
    EXPECT_EQ(Read(ref), "<" + std::to_string(EILSEQ) + ">");
    // Over 64 KiB, counted in bytes, is refused and the old comment stays.
    ASSERT_EQ(WriteItemComment(ref, QStringLiteral("old")), 0);
    EXPECT_EQ(WriteItemComment(ref, QString::fromUtf8("\xF0\x9F\x93\x81").repeated(16385)), E2BIG);
    EXPECT_EQ(Raw(file), "old");

    const std::string link = Path("link");
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    EXPECT_EQ(Read(Ref(link)), "<none>") << "read through the link";
    EXPECT_NE(WriteItemComment(Ref(link), QStringLiteral("through the link")), 0);
    EXPECT_EQ(Raw(file), "old");

    EXPECT_EQ(Read(FileRef()), "<" + std::to_string(EINVAL) + ">");
    EXPECT_EQ(WriteItemComment(FileRef(), QStringLiteral("x")), EINVAL);
    const FileRef gone = Ref(WriteFile("gone.txt"));
    unlink(gone.Path().c_str());
    EXPECT_EQ(Read(gone), "<" + std::to_string(ENOENT) + ">");
    EXPECT_EQ(WriteItemComment(gone, QStringLiteral("x")), ENOENT);
    const FileRef proc = Ref("/proc/version"); // no user attributes there
    EXPECT_NE(WriteItemComment(proc, QStringLiteral("x")), 0);
    EXPECT_EQ(Read(proc), "<" + std::to_string(EOPNOTSUPP) + ">");

    // The full 64 KiB a comment may have, where the file system holds that
    // much (tmpfs; ext4 keeps a block's worth).
    if (KeepsUserAttributes("/dev/shm", kMaxCommentBytes)) {
        const std::string copy = "/dev/shm/ferrolet-comment-" + std::to_string(getpid());
        ASSERT_TRUE(std::filesystem::copy_file(file, copy));
        const QString full(static_cast<qsizetype>(kMaxCommentBytes), QLatin1Char('c'));
        EXPECT_EQ(WriteItemComment(Ref(copy), full), 0);
        EXPECT_EQ(Read(Ref(copy)), full.toStdString());
        unlink(copy.c_str());
    }
}

} // namespace
} // namespace ferrolet::test
