// Service requests run against a private home: what a move shows, folders
// that cannot take items, the paths a request may carry, and how it ends.
#include "ServiceFixture.h"
#include "services/ServiceEntries.h"
#include "services/ServicePaths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ferrolet::test {
namespace {

using Services = ServiceFixture;
const QString kDocuments = QStringLiteral("Move to Documents");

// Each entry's folder: DeclaredCommands. Here what a move shows and plays.
TEST_F(Services, AMoveRevealsEachItemAndPlaysOneSound) {
    EXPECT_FALSE(Exists(FolderPath(StandardFolder::Pictures))) << "start made a folder";
    const std::string a = WriteFile("in/a", "a");
    const std::string b = WriteFile("in/b", "b");
    HandleAfresh(Paths({a, b}), QStringLiteral("Move to Desktop Pictures"));
    const std::string arrived = Path("home/Pictures/Wallpapers/");
    EXPECT_EQ(ReadFile(arrived + "a") + ReadFile(arrived + "b"), "ab");
    EXPECT_FALSE(Exists(a) || Exists(b));
    EXPECT_EQ(m_platform.revealed, (std::vector<std::string>{arrived + "a", arrived + "b"}));
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(NotMovedLines(), 0);
    EXPECT_TRUE(LogLines().contains("Moved \"a\" to \"Wallpapers\""));

    // An item already there counts as moved; without SelectMovedItem
    // nothing is shown.
    const std::string there = arrived + "a";
    HandleAfresh(Paths({there}), QStringLiteral("Move to Desktop Pictures"));
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{there});
    EXPECT_EQ(NotMovedLines(), 0);
    m_settings->SetAppValue(keys::SelectMovedItem, false);
    m_settings->Synchronize();
    HandleAfresh(Paths({WriteFile("in/quiet")}), kDocuments);
    EXPECT_TRUE(Exists(FolderPath(StandardFolder::Documents) + "/quiet"));
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(m_platform.sounds.size(), 1);
}

TEST_F(Services, AFolderThatCannotBeMadeOrIsTurnedOffTakesNothing) {
    WriteFile("home/.config/user-dirs.dirs",
              "XDG_PUBLICSHARE_DIR=\"$HOME/\"\nXDG_PICTURES_DIR=\"$HOME\"\n");
    WriteFile("home/Music", "not a folder");
    // Each entry with a word of its notice.
    const std::pair<const char*, const char*> cases[] = {
        {"Move to Music", "Not a directory"},
        {"Move to Public", "Public"},
        {"Move to Desktop Pictures", "Wallpapers"}};
    for (const auto& [userData, notice] : cases) {
        const std::string a = WriteFile("in/a", "a");
        const std::string b = WriteFile("in/b", "b");
        HandleAfresh(Paths({a, b}), QString::fromLatin1(userData));
        EXPECT_EQ(ReadFile(a) + ReadFile(b), "ab") << userData;
        EXPECT_EQ(NotMovedLines(), 2) << userData;
        EXPECT_TRUE(m_platform.sounds.isEmpty() && m_platform.revealed.empty()) << userData;
        ASSERT_EQ(m_platform.notifications.size(), 1) << userData;
        EXPECT_TRUE(m_platform.notifications[0].contains(QString::fromLatin1(notice)))
            << m_platform.notifications[0].toStdString();
    }
    EXPECT_EQ(ReadFile(Path("home/Music")), "not a folder");
    EXPECT_FALSE(Exists(Path("home/Wallpapers")));
    HandleAfresh(Paths({Path("in/a")}), QStringLiteral("Move to Home"));
    EXPECT_EQ(ReadFile(Path("home/a")), "a") << "the home folder itself is never off";
}

TEST_F(Services, UnusablePathsAndEntriesEndWithoutActionAndTheLastItemDecides) {
    const std::string item = WriteFile("in/item", "kept");
    for (const char* userData : {"move to desktop", "Move to Desktop ", "MOVE TO DOCUMENTS", ""}) {
        HandleAfresh(Paths({item, item}), QString::fromLatin1(userData));
        EXPECT_EQ(NotMovedLines(), 2) << userData;
    }
    // The window's entries act once per usable item (opening it: ServicesBus).
    int closed = 0;
    m_window.close = [&] { ++closed; };
    HandleAfresh(Paths({item, "/no/such/item", item}), QStringLiteral("Close Move Service Window"));
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(NotMovedLines(), 3);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_EQ(ReadFile(item), "kept");
    HandleAfresh({QString::fromStdString(Path("in/")) + QChar(0xD800), QStringLiteral("in/item"),
                  QString::fromStdString(item + "/.."), QString(), QStringLiteral("/no/such/item")},
                 kDocuments);
    EXPECT_EQ(NotMovedLines(), 5);
    EXPECT_TRUE(Exists(item));
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    HandleAfresh({}, kDocuments);
    EXPECT_TRUE(LogLines().isEmpty());

    // Documents into itself fails and loses nothing; the sound plays when
    // the last item to set the outcome succeeded.
    const std::string docs = FolderPath(StandardFolder::Documents);
    HandleAfresh(Paths({item, docs, "/no/such/item"}), kDocuments);
    EXPECT_TRUE(Exists(docs + "/item") && std::filesystem::is_directory(docs));
    EXPECT_EQ(NotMovedLines(), 2);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    const std::string later = WriteFile("in/later");
    HandleAfresh(Paths({docs, later, "/no/such/item"}), kDocuments);
    EXPECT_EQ(NotMovedLines(), 1);
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});

    // A link moves as the link itself.
    const std::string target = WriteFile("data/target", "payload");
    std::filesystem::create_symlink(target, Path("in/link"));
    Handle(Paths({Path("in/link")}), kDocuments);
    EXPECT_EQ(std::filesystem::read_symlink(docs + "/link"), target);
    EXPECT_EQ(ReadFile(target), "payload");
}

TEST_F(Services, PathsAreUsableOnlyAbsoluteUtf8AndNamingAnEntry) {
    EXPECT_EQ(UsableServicePath(QStringLiteral("/home/u/caf\u00e9 1.txt")),
              std::optional<std::string>("/home/u/caf\xC3\xA9 1.txt"));
    EXPECT_EQ(UsableServicePath(QStringLiteral("/a/./b/")), std::optional<std::string>("/a/./b/"));
    for (const QString& bad : {QStringLiteral("relative/x"), QString(), QStringLiteral("/a/b/.."),
                               QStringLiteral("/a/b/../"), QStringLiteral("/a/b/."),
                               QStringLiteral("/a/") + QChar(0xDC00),
                               QStringLiteral("/a/") + QChar(0) + QStringLiteral("b")}) {
        EXPECT_FALSE(UsableServicePath(bad)) << bad.toStdString();
    }
    EXPECT_EQ(ServiceArgumentPath("x/y", "/work"), QStringLiteral("/work/x/y"));
    EXPECT_EQ(ServiceArgumentPath("y", "/"), QStringLiteral("/y"));
    EXPECT_EQ(ServiceArgumentPath("/abs/y", "/work"), QStringLiteral("/abs/y"));
    EXPECT_EQ(ServiceArgumentPath("caf\xC3\xA9", "/w"), QStringLiteral("/w/caf\u00e9"));
    for (const auto& [arg, cwd] : std::vector<std::pair<std::string, std::string>>{
             {"caf\xE9", "/w"}, {"x", "/w\xFF"}, {"x", ""}, {"", "/w"}}) {
        EXPECT_TRUE(ServiceArgumentPath(arg, cwd).isEmpty()) << arg << " in " << cwd;
    }
    std::filesystem::create_directories(Path("a/b"));
    EXPECT_EQ(ServiceArgumentPath("..", Path("a/b")), QString::fromStdString(Path("a")));
    EXPECT_EQ(ServiceArgumentPath("b/.", Path("a")), QString::fromStdString(Path("a/b")));
}

TEST_F(Services, ToSelectEntriesAskOnceAndActOnTheHandedOverItems) {
    // The clipboard's selection names another file: it must not move.
    const std::string selected = WriteFile("in/selected", "s");
    const std::string chosen = MakeDir("chosen");
    m_selection = {.hasArray = true, .items = {Ref(selected)}, .count = 1};
    m_platform.dialogAnswers = {{chosen}, {chosen}};
    const std::string a = WriteFile("handed/a", "a");
    const std::string b = WriteFile("handed/b", "b");
    Handle(Paths({a, b, Path("handed/gone"), "handed/relative", a}),
           QStringLiteral("Move to Select"));
    EXPECT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(ReadFile(chosen + "/a") + ReadFile(chosen + "/b"), "ab");
    EXPECT_EQ(ReadFile(selected), "s");
    EXPECT_EQ(m_selection.items[0].Path(), selected) << "the application's snapshot changed";
    EXPECT_EQ(LogLines().filter(QStringLiteral("Ferrolet: skipped")).size(), 3);
    EXPECT_EQ(m_platform.notifications.size(), 1);
    EXPECT_EQ(m_platform.sounds, (QStringList{"complete", "complete"}));

    // Every such entry asks once; a cancelled dialog leaves the items.
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action == ServiceAction::RunWithFolderDialog) {
            HandleAfresh(Paths({selected, Path("chosen/a")}), QString::fromLatin1(entry.userData));
            EXPECT_EQ(m_platform.dialogs.size(), 1u) << entry.userData;
            EXPECT_EQ(NotMovedLines(), 0) << entry.userData;
            EXPECT_TRUE(Exists(selected) && Exists(chosen + "/a")) << entry.userData;
        }
    }
    HandleAfresh(Paths({Path("in/none")}), QStringLiteral("Move to Select"));
    EXPECT_TRUE(m_platform.dialogs.empty()) << "no usable path: no dialog";
}

TEST_F(Services, HugeRequestsAreRefusedAndRepeatedLinesSummarised) {
    const std::string kept = WriteFile("sel/kept", "kept");
    QStringList huge{QString::fromStdString(kept)};
    for (int i = 0; i < 200000; ++i) {
        huge << QStringLiteral("/nonexistent/ferrolet/%1").arg(i);
    }
    Handle(huge, kDocuments);
    EXPECT_EQ(ReadFile(kept), "kept") << "a refused request moves nothing";
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_TRUE(LogLines()[0].contains("200001 items")) << LogLines()[0].toStdString();
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].contains("at most 100000"));
    HandleAfresh(huge.mid(1, 5000), kDocuments);
    EXPECT_EQ(NotMovedLines(), 100);
    EXPECT_EQ(
        LogLines().count(QStringLiteral("\u2026 and 4900 more like it: The object was not moved")),
        1);
    EXPECT_EQ(LogLines().size(), 101);
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].startsWith("Move To: 5000 of 5000 items not moved"));
    EXPECT_TRUE(m_platform.notifications[0].endsWith("\u2026and 4997 more"));
}

} // namespace
} // namespace ferrolet::test
