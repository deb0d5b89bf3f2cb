// Path strings and file references, the folder part of a path, and names
// made safe for a file name.
#include "platform/PathHelpers.h"
#include "TestEnvironment.h"

#include <unistd.h>

using namespace ferrolet;

namespace {

TEST(ParentOfPath, OneAnswerAtEveryEdge) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/user/file.txt", "/home/user"},
        {"/home", "/"},
        {"/", "/"},
        {"//", "/"},
        {"", ""},
        {"/home/user/", "/home"},
        {"/home//user", "/home"},
        {"//home", "/"},
        {"name", ""},
        {"folder/name", "folder"},
        {"./name", "."},
        {"/a b/caf\xc3\xa9", "/a b"},
    };
    for (const auto& [path, parent] : cases) {
        EXPECT_EQ(ParentOfPath(path), parent) << "path \"" << path << '"';
    }
}

class PathHelpersTest : public ferrolet::test::TempHome {};

TEST_F(PathHelpersTest, PathsAndReferences) {
    const std::string file = WriteFile("dir/caf\xc3\xa9.txt");
    FileRef ref;
    ASSERT_TRUE(RefForPath(QString::fromStdString(file), ref));
    EXPECT_EQ(PathForDisplay(ref), QString::fromUtf8(file));

    // Missing items, relative and empty paths give no reference.
    EXPECT_FALSE(RefForPath(QString::fromStdString(Path("dir/none")), ref));
    EXPECT_TRUE(ref.IsNull());
    EXPECT_FALSE(RefForPath(QStringLiteral("dir/caf\u00e9.txt"), ref));
    EXPECT_FALSE(RefForPath(QString(), ref));

    // A folder named through a link is the folder it leads to.
    ASSERT_EQ(symlink(Path("dir").c_str(), Path("link").c_str()), 0);
    ASSERT_TRUE(RefForPath(QString::fromStdString(Path("link")), ref));
    EXPECT_EQ(ref.Path(), Path("dir"));
    ASSERT_EQ(symlink("/nonexistent", Path("dangling").c_str()), 0);
    EXPECT_FALSE(RefForPath(QString::fromStdString(Path("dangling")), ref));

    // A null or stale reference gives a null string.
    EXPECT_TRUE(PathForDisplay(FileRef()).isNull());
    FileRef stale;
    ASSERT_TRUE(RefForPath(QString::fromStdString(file), stale));
    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_TRUE(PathForDisplay(stale).isNull());
}

} // namespace
