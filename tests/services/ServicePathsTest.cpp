#include "services/ServicePaths.h"
#include "TestEnvironment.h"
#include "services/ServiceEntries.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ferrolet::test {
namespace {

TEST(ServicePaths, OnlyAbsoluteUtf8PathsNamingAnEntryAreUsable) {
    EXPECT_EQ(UsableServicePath(QStringLiteral("/home/u/caf\u00e9 1.txt")),
              std::optional<std::string>("/home/u/caf\xC3\xA9 1.txt"));
    EXPECT_EQ(UsableServicePath(QStringLiteral("/a/./b/")), std::optional<std::string>("/a/./b/"));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("relative/x")));
    EXPECT_FALSE(UsableServicePath(QString()));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("/a/b/..")));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("/a/b/../")));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("/a/b/.")));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("/a/") + QChar(0xDC00)));
    EXPECT_FALSE(UsableServicePath(QStringLiteral("/a/") + QChar(0) + QStringLiteral("b")));
}

TEST(ServicePaths, ArgumentsAreMadeAbsoluteAndNonUtf8OnesUnusable) {
    EXPECT_EQ(ServiceArgumentPath("x/y", "/work"), QStringLiteral("/work/x/y"));
    EXPECT_EQ(ServiceArgumentPath("y", "/"), QStringLiteral("/y"));
    EXPECT_EQ(ServiceArgumentPath("/abs/y", "/work"), QStringLiteral("/abs/y"));
    EXPECT_EQ(ServiceArgumentPath("caf\xC3\xA9", "/w"), QStringLiteral("/w/caf\u00e9"));
    EXPECT_TRUE(ServiceArgumentPath("caf\xE9", "/w").isEmpty());
    EXPECT_TRUE(ServiceArgumentPath("x", "/w\xFF").isEmpty());
    EXPECT_TRUE(ServiceArgumentPath("x", "").isEmpty());
    EXPECT_TRUE(ServiceArgumentPath("", "/w").isEmpty());

    // "." and ".." name the folder itself, by its real path.
    char tmpl[] = "/tmp/ferrolet-paths-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    std::filesystem::create_directories(root + "/a/b");
    EXPECT_EQ(ServiceArgumentPath("..", root + "/a/b"), QString::fromStdString(root + "/a"));
    EXPECT_EQ(ServiceArgumentPath("b/.", root + "/a"), QString::fromStdString(root + "/a/b"));
    std::filesystem::remove_all(root);
}

TEST(ServiceEntries, SixteenEntriesMatchedExactlyInTableOrder) {
    ASSERT_EQ(ServiceEntries().size(), 16u);
    const auto documents = FindServiceEntry(QStringLiteral("Move to Documents"));
    ASSERT_TRUE(documents);
    EXPECT_EQ(documents->action, ServiceAction::MoveToStandardFolder);
    EXPECT_EQ(documents->folder, StandardFolder::Documents);
    const auto hardLink = FindServiceEntry(QStringLiteral("Hard Link to Select"));
    ASSERT_TRUE(hardLink);
    EXPECT_EQ(hardLink->command, DestinationCommand::HardLinkTo);
    EXPECT_EQ(FindServiceEntry(QStringLiteral("Compress to Select"))->command,
              DestinationCommand::ArchiveTo);
    EXPECT_FALSE(FindServiceEntry(QStringLiteral("move to desktop")));
    EXPECT_FALSE(FindServiceEntry(QStringLiteral("Move to Desktop\n")));
    EXPECT_FALSE(FindServiceEntry(QStringLiteral("Open Folder")));
}

} // namespace
} // namespace ferrolet::test
