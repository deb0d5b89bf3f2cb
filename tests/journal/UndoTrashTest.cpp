// Undo through the real commands and the freedesktop Trash: what was moved
// comes back, what was made goes to the Trash with its .trashinfo, an undo
// undone redoes, held items of a cut come back and the cut ends; Add and
// Remove Folder undone and redone at their positions in the list.
#include "../fileops/commands/CommandFixture.h"
#include "fileops/commands/CutAndPaste.h"
#include "fileops/commands/DestinationListCommands.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/WrapItems.h"
#include "history/Trash.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"
#include "settings/FolderLists.h"

using namespace ferrolet;

namespace {

class UndoTest : public test::CommandTest {
protected:
    void UndoNewest() {
        const std::optional<Gesture> gesture = GestureToUndo(JournalStore::Shared(), 0);
        ASSERT_TRUE(gesture);
        UndoGesture(Context(), JournalStore::Shared(), *gesture);
    }
};

TEST(TrashInfoTest, PathIsPercentEncodedButForUnreservedBytesAndSlashes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/a/Report 2.pdf", "/home/a/Report%202.pdf"},
        {"/a/\xC3\xBC%#?.txt", "/a/%C3%BC%25%23%3F.txt"},
        {"rel/a-b_c.~d", "rel/a-b_c.~d"},
        {"/a/new\nline", "/a/new%0Aline"},
    };
    for (const auto& [path, value] : cases) {
        EXPECT_EQ(TrashInfoPathValue(path), value);
    }
}

TEST_F(UndoTest, WrapUndoneIntoTheTrashAndRedoneFromIt) {
    SetOption(keys::WrapCopies, false);
    SetOption(keys::PromptForWrap, false);
    const std::string a = WriteFile("Work/a.txt", "a");
    const std::string b = WriteFile("Work/b.txt", "b");
    Select({a, b});
    WrapItems(Context());
    ASSERT_EQ(Names(Path("Work")).size(), 1u) << "both items in the one wrapper";
    const std::string wrapper = Names(Path("Work"))[0];
    EXPECT_EQ(Names(Path("Work/" + wrapper)), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(JournalStore::Shared().Recent(1).front().title,
              QStringLiteral("Wrap of 2 Items to %1").arg(QString::fromStdString(wrapper)));

    UndoNewest();
    EXPECT_EQ(Names(Path("Work")), (std::vector<std::string>{"a.txt", "b.txt"}));
    const std::string trash = Path("home/.local/share/Trash");
    EXPECT_EQ(Names(trash + "/files"), std::vector<std::string>{wrapper});
    EXPECT_TRUE(ReadFile(trash + "/info/" + wrapper + ".trashinfo")
                    .starts_with("[Trash Info]\nPath=" + Path("Work/") + "Wrapped%20Items"));

    UndoNewest(); // undoing the undo redoes
    EXPECT_EQ(Names(Path("Work")), std::vector<std::string>{wrapper});
    EXPECT_EQ(Names(Path("Work/" + wrapper)), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(Names(trash + "/files").empty());
    EXPECT_TRUE(Names(trash + "/info").empty());
    EXPECT_TRUE(m_platform.notifications.isEmpty());
}

TEST_F(UndoTest, CutUndoneGivesTheHeldItemsBackAndEndsTheCut) {
    const std::string a = WriteFile("Work/a.txt", "a");
    Select({a});
    CutItems(Context());
    ASSERT_TRUE(m_cut.pending);
    ASSERT_FALSE(Exists(a));
    UndoNewest();
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_FALSE(m_cut.pending) << "nothing is left to paste";
}

TEST_F(UndoTest, MoveToAnotherFileSystemUndoneAndItemsChangedSinceLeftAlone) {
    const std::string other = OtherFs();
    const std::string a = WriteFile("Work/a.txt", "a");
    const std::string b = WriteFile("Work/b.txt", "b");
    SetDestinations({other});
    Select({a, b});
    MoveSelectionToFolder(Context(), 1);
    ASSERT_FALSE(Exists(a));
    WriteFile("Work/a.txt", "a new a.txt took the old name");
    test::RunProgram({"sh", "-c", "echo more >> \"$1\"", "sh", other + "/b.txt"});

    UndoNewest();
    EXPECT_EQ(ReadFile(a), "a new a.txt took the old name");
    std::vector<std::string> back = Names(Path("Work"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_TRUE(back[0].starts_with("a - ")) << "the old name was taken: a unique one";
    EXPECT_EQ(ReadFile(Path("Work/" + back[0])), "a");
    EXPECT_EQ(ReadFile(other + "/b.txt"), "bmore\n") << "changed since: left alone";
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].contains(QStringLiteral("changed or moved since")));
}

// The list is read back from the settings file by a second store.
TEST_F(UndoTest, EditsUndoneAndRedoneAtTheirPositions) {
    struct Case { // between: the list as changed before the undo; redone empty: undo fails
        bool add;
        std::vector<std::string> before, between;
        QStringList edited, undone, redone;
    };
    const std::vector<Case> cases = {
        {true, {"A"}, {}, {"A", "B"}, {"A"}, {"A", "B"}},
        {true, {"A"}, {"B", "A"}, {"A", "B"}, {"A"}, {"B", "A"}},
        {true, {"A"}, {"A"}, {"A", "B"}, {"A"}, {}},
        {false, {"A", "B", "C"}, {}, {"A", "C"}, {"A", "B", "C"}, {"A", "C"}},
        {false, {"A", "C", "B"}, {"A"}, {"A", "C"}, {"A", "B"}, {"A"}},
    };
    const auto paths = [this](std::vector<std::string> names) {
        for (std::string& name : names)
            name = MakeDir("lists/" + name);
        return names;
    };
    const auto stored = [] {
        SettingsStore fresh;
        QStringList names = FolderPathnames(fresh, keys::PathnamesAliases);
        for (QString& name : names)
            name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        return names;
    };
    for (const Case& c : cases) {
        SetDestinations(paths(c.before));
        Select(paths({"B"}));
        c.add ? AddSelectedFolder(Context()) : RemoveSelectedFolder(Context());
        const Gesture gesture = JournalStore::Shared().Recent(1).front();
        EXPECT_EQ(gesture.title,
                  c.add ? "Add Folder \u201CB\u201D" : "Remove Folder \u201CB\u201D");
        EXPECT_EQ(stored(), c.edited);
        if (!c.between.empty())
            SetDestinations(paths(c.between));
        m_platform.notifications.clear();
        UndoGesture(Context(), JournalStore::Shared(), gesture);
        EXPECT_EQ(stored(), c.undone);
        EXPECT_EQ(m_platform.notifications.isEmpty(), !c.redone.isEmpty())
            << c.edited.join(",").toStdString();
        if (!c.redone.isEmpty()) {
            UndoGesture(Context(), JournalStore::Shared(),
                        JournalStore::Shared().Recent(1).front());
            EXPECT_EQ(stored(), c.redone);
        }
    }
}

} // namespace
