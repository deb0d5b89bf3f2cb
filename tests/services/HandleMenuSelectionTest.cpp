#include "ServiceFixture.h"
#include "services/ServiceEntries.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ferrolet::test {
namespace {

using Services = ServiceFixture;

const QString kDocuments = QStringLiteral("Move to Documents");

TEST_F(Services, MoveToDocumentsMovesRevealsEachAndPlaysOneSound) {
    const std::string a = WriteFile("home/Downloads/a.txt", "alpha");
    const std::string b = WriteFile("home/Downloads/b.txt", "beta");
    const std::string docs = FolderPath(StandardFolder::Documents);

    Handle(Paths({a, b}), kDocuments);

    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_EQ(ReadFile(docs + "/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(docs + "/b.txt"), "beta");
    EXPECT_EQ(m_platform.revealed, (std::vector<std::string>{docs + "/a.txt", docs + "/b.txt"}));
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(NotMovedLines(), 0);
    EXPECT_TRUE(LogLines().contains(QStringLiteral("Moved \"a.txt\" to \"Documents\"")));

    // An item already there: nothing to move, yet it counts as moved.
    m_platform = FakePlatform();
    Handle(Paths({docs + "/a.txt"}), kDocuments);
    EXPECT_EQ(ReadFile(docs + "/a.txt"), "alpha");
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{docs + "/a.txt"});
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(NotMovedLines(), 0);
}

TEST_F(Services, WithoutSelectMovedItemNothingIsShown) {
    m_settings->SetAppValue(keys::SelectMovedItem, false);
    m_settings->Synchronize();
    const std::string a = WriteFile("home/in/a");
    const std::string b = WriteFile("home/in/b");
    Handle(Paths({a, b}), QStringLiteral("Move to Pictures"));
    const std::string pictures = FolderPath(StandardFolder::Pictures);
    EXPECT_TRUE(Exists(pictures + "/a"));
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(m_platform.sounds.size(), 1);
}

TEST_F(Services, EveryMoveEntryFilesIntoItsOwnFolder) {
    const std::pair<const char*, StandardFolder> table[] = {
        {"Move to Documents", StandardFolder::Documents},
        {"Move to Home", StandardFolder::Home},
        {"Move to Pictures", StandardFolder::Pictures},
        {"Move to Movies", StandardFolder::Movies},
        {"Move to Music", StandardFolder::Music},
        {"Move to Sites", StandardFolder::Sites},
        {"Move to Public", StandardFolder::Public},
        {"Move to Desktop", StandardFolder::Desktop},
        {"Move to Desktop Pictures", StandardFolder::DesktopPictures},
    };
    for (const auto& [userData, folder] : table) {
        const std::string item = WriteFile(std::string("elsewhere/") + userData, userData);
        Handle(Paths({item}), QString::fromLatin1(userData));
        const std::string arrived = FolderPath(folder) + "/" + userData;
        EXPECT_EQ(ReadFile(arrived), userData) << userData;
        EXPECT_FALSE(Exists(item)) << userData;
    }
    EXPECT_EQ(FolderPath(StandardFolder::Movies), Path("home/Videos"));
    EXPECT_EQ(FolderPath(StandardFolder::Sites), Path("home/public_html"));
    EXPECT_EQ(FolderPath(StandardFolder::DesktopPictures), Path("home/Pictures/Wallpapers"));
    EXPECT_EQ(NotMovedLines(), 0);
}

TEST_F(Services, AFolderIsMadeOnlyWhenAnItemGoesThere) {
    Start();
    const std::string pictures = FolderPath(StandardFolder::Pictures);
    EXPECT_FALSE(Exists(pictures)) << "starting made a folder nobody asked for";
    EXPECT_FALSE(Exists(FolderPath(StandardFolder::Documents)));

    const std::string photo = WriteFile("in/photo.jpg", "p");
    Handle(Paths({photo}), QStringLiteral("Move to Desktop Pictures"));
    EXPECT_EQ(ReadFile(pictures + "/Wallpapers/photo.jpg"), "p");
    EXPECT_FALSE(Exists(photo));
    EXPECT_FALSE(Exists(FolderPath(StandardFolder::Documents)));
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});

    // A file where the Music folder should be: it cannot be made, and
    // nothing moves.
    WriteFile("home/Music", "not a folder");
    const std::string a = WriteFile("in/a");
    const std::string b = WriteFile("in/b");
    m_platform = FakePlatform();
    Handle(Paths({a, b}), QStringLiteral("Move to Music"));
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(Exists(b));
    EXPECT_EQ(ReadFile(Path("home/Music")), "not a folder");
    EXPECT_EQ(NotMovedLines(), 2);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
}

TEST_F(Services, AUserFolderSetToHomeIsTurnedOff) {
    // The XDG way of turning a folder off; Desktop Pictures goes with Pictures.
    WriteFile("home/.config/user-dirs.dirs",
              "XDG_MUSIC_DIR=\"$HOME/\"\nXDG_PICTURES_DIR=\"$HOME\"\n");
    Start();
    for (const char* userData : {"Move to Music", "Move to Desktop Pictures"}) {
        m_platform = FakePlatform();
        ClearLog();
        const std::string a = WriteFile("in/a", "a");
        const std::string b = WriteFile("in/b", "b");
        Handle(Paths({a, b}), QString::fromLatin1(userData));
        EXPECT_EQ(ReadFile(a), "a") << userData;
        EXPECT_EQ(ReadFile(b), "b") << userData;
        ASSERT_EQ(m_platform.notifications.size(), 1) << userData;
        EXPECT_TRUE(m_platform.sounds.isEmpty());
        EXPECT_EQ(NotMovedLines(), 2);
    }
    EXPECT_TRUE(m_platform.notifications[0].contains(QStringLiteral("Wallpapers")));
    EXPECT_FALSE(Exists(Path("home/Music")));
    EXPECT_FALSE(Exists(Path("home/Wallpapers")));

    // The home folder itself is never off.
    m_platform = FakePlatform();
    Handle(Paths({Path("in/a")}), QStringLiteral("Move to Home"));
    EXPECT_EQ(ReadFile(Path("home/a")), "a");
    EXPECT_TRUE(m_platform.notifications.isEmpty());
}

TEST_F(Services, TheLastItemToSetTheFlagDecidesTheEnding) {
    const std::string docs = FolderPath(StandardFolder::Documents);
    const std::string good = WriteFile("in/good");
    // Documents into itself: the move fails and nothing is lost.
    Handle(Paths({good, docs, "/no/such/item"}), kDocuments);
    EXPECT_TRUE(Exists(docs + "/good"));
    EXPECT_TRUE(std::filesystem::is_directory(docs));
    EXPECT_EQ(NotMovedLines(), 2); // the failed move, then the unusable item
    EXPECT_TRUE(m_platform.sounds.isEmpty());

    ClearLog();
    const std::string later = WriteFile("in/later");
    Handle(Paths({docs, later, "/no/such/item"}), kDocuments);
    EXPECT_TRUE(Exists(docs + "/later"));
    EXPECT_EQ(NotMovedLines(), 1); // only the failed move: the unusable item came after a success
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
}

TEST_F(Services, UnknownEntriesAndUnusablePathsEndWithoutAction) {
    const std::string item = WriteFile("in/item", "kept");
    for (const char* userData : {"move to desktop", "Move to Desktop ", "MOVE TO DOCUMENTS", ""}) {
        ClearLog();
        Handle(Paths({item, item}), QString::fromLatin1(userData));
        EXPECT_EQ(NotMovedLines(), 2) << userData;
    }
    EXPECT_EQ(ReadFile(item), "kept");
    EXPECT_FALSE(Exists(FolderPath(StandardFolder::Desktop)));

    ClearLog();
    const QString loneSurrogate = QString::fromStdString(Path("in/")) + QChar(0xD800);
    Handle({loneSurrogate, QStringLiteral("in/item"), QString::fromStdString(item + "/.."),
            QString(), QStringLiteral("/no/such/item")},
           kDocuments);
    EXPECT_EQ(NotMovedLines(), 5);
    EXPECT_TRUE(Exists(item));
    EXPECT_TRUE(m_platform.sounds.isEmpty());

    ClearLog();
    Handle({}, kDocuments);
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(Services, ASymbolicLinkIsMovedAsTheLinkItself) {
    const std::string target = WriteFile("data/target", "payload");
    const std::string link = MakeDir("in") + "/link";
    std::filesystem::create_symlink(target, link);
    Handle(Paths({link}), kDocuments);
    const std::string arrived = FolderPath(StandardFolder::Documents) + "/link";
    EXPECT_TRUE(std::filesystem::is_symlink(arrived));
    EXPECT_EQ(std::filesystem::read_symlink(arrived), target);
    EXPECT_EQ(ReadFile(target), "payload");
}

TEST_F(Services, WindowEntriesActOncePerUsableItemAndLogTheLine) {
    int opened = 0;
    int closed = 0;
    m_window.openAtMouse = [&] { ++opened; };
    m_window.close = [&] { ++closed; };
    const std::string item = WriteFile("in/item");

    Handle(Paths({item}), QStringLiteral("Open Move Service Window"));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(NotMovedLines(), 1);
    EXPECT_TRUE(Exists(item));

    ClearLog();
    Handle(Paths({item, "/no/such/item", item}), QStringLiteral("Close Move Service Window"));
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(NotMovedLines(), 3);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(Services, MoveToSelectMovesTheHandedOverItemsAfterOneDialog) {
    // The clipboard's selection names another file: it must not move.
    const std::string selected = WriteFile("in/selected", "s");
    const std::string chosen = MakeDir("chosen");
    m_selection.hasArray = true;
    m_selection.items.resize(1);
    ASSERT_EQ(FileRef::FromPath(selected, m_selection.items[0]), 0);
    m_selection.count = 1;
    m_platform.dialogAnswers = {{chosen}, {chosen}, {chosen}};
    const std::string a = WriteFile("handed/a", "a");
    const std::string b = WriteFile("handed/b", "b");
    const std::string c = WriteFile("handed/c", "c");

    Handle(Paths({a, b, Path("handed/gone"), c, "handed/relative", a}),
           QStringLiteral("Move to Select"));

    EXPECT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(ReadFile(chosen + "/a") + ReadFile(chosen + "/b") + ReadFile(chosen + "/c"), "abc");
    EXPECT_EQ(ReadFile(selected), "s");
    EXPECT_EQ(m_selection.items[0].Path(), selected) << "the application's snapshot is untouched";
    // The vanished, the relative and the repeated path: one line each, and
    // one notification for the request.
    EXPECT_EQ(LogLines().filter(QStringLiteral("Ferrolet: skipped")).size(), 3);
    EXPECT_EQ(m_platform.notifications.size(), 1);
    // The run played its sound after the last item; the service's ending once more.
    EXPECT_EQ(m_platform.sounds, (QStringList{"complete", "complete"}));
}

TEST_F(Services, ToSelectEntriesAskOnceAndACancelLeavesTheItems) {
    const std::string item = WriteFile("in/item");
    const std::string other = WriteFile("in/other");
    for (const ServiceEntry& entry : ServiceEntries()) {
        if (entry.action != ServiceAction::RunWithFolderDialog) {
            continue;
        }
        m_platform = FakePlatform();
        ClearLog();
        Handle(Paths({item, other}), QString::fromLatin1(entry.userData));
        EXPECT_EQ(m_platform.dialogs.size(), 1u) << entry.userData;
        EXPECT_EQ(NotMovedLines(), 0) << entry.userData;
        EXPECT_TRUE(Exists(item) && Exists(other));
    }
    // No usable path: no dialog, no sound.
    m_platform = FakePlatform();
    Handle(Paths({Path("in/none")}), QStringLiteral("Move to Select"));
    EXPECT_TRUE(m_platform.dialogs.empty());
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(Services, CopyToSelectCopiesTheSelectionIntoTheChosenFolder) {
    const std::string selected = WriteFile("in/selected", "original");
    const std::string chosen = MakeDir("chosen");
    m_selection.hasArray = true;
    m_selection.items.resize(1);
    ASSERT_EQ(FileRef::FromPath(selected, m_selection.items[0]), 0);
    m_selection.count = 1;
    m_platform.dialogAnswers = {{chosen}};
    Handle(Paths({selected}), QStringLiteral("Copy to Select"));
    EXPECT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(ReadFile(chosen + "/selected"), "original");
    EXPECT_EQ(ReadFile(selected), "original");
}

TEST_F(Services, TenThousandPathsInOneRequest) {
    const std::string folder = MakeDir("many");
    QStringList paths;
    for (int i = 0; i < 10000; ++i) {
        const std::string p = folder + "/f" + std::to_string(i);
        WriteFile("many/f" + std::to_string(i), std::to_string(i));
        paths << QString::fromStdString(p);
    }
    Handle(paths, kDocuments);
    const std::string docs = FolderPath(StandardFolder::Documents);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(ReadFile(docs + "/f9999"), "9999");
    EXPECT_EQ(m_platform.revealed.size(), 10000u);
    EXPECT_EQ(m_platform.sounds.size(), 1);
    EXPECT_EQ(NotMovedLines(), 0);
}

TEST_F(Services, HugeRequestsAreRefusedAndRepeatedLinesSummarised) {
    const std::string kept = WriteFile("sel/kept", "kept");
    QStringList huge{QString::fromStdString(kept)};
    QStringList missing;
    for (int i = 0; i < 200000; ++i) {
        const QString path = QStringLiteral("/nonexistent/ferrolet/%1").arg(i);
        huge << path;
        if (i < 5000) {
            missing << path;
        }
    }
    Handle(huge, kDocuments);
    EXPECT_EQ(ReadFile(kept), "kept") << "a refused request moves nothing";
    ASSERT_EQ(LogLines().size(), 1) << LogLines().join('\n').left(400).toStdString();
    EXPECT_TRUE(LogLines()[0].contains("200001 items")) << LogLines()[0].toStdString();
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].contains("at most 100000"));

    ClearLog();
    m_platform.notifications.clear();
    Handle(missing, kDocuments);
    EXPECT_EQ(NotMovedLines(), 100);
    EXPECT_EQ(
        LogLines().count(QStringLiteral("\u2026 and 4900 more like it: The object was not moved")),
        1);
    EXPECT_EQ(LogLines().size(), 101);
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].startsWith("Move To: 5000 of 5000 items not moved"))
        << m_platform.notifications[0].toStdString();
    EXPECT_TRUE(m_platform.notifications[0].endsWith("\u2026and 4997 more"));
}

} // namespace
} // namespace ferrolet::test
