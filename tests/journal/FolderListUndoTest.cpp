// Add and Remove Folder undone and redone through the journal, the list read
// back from the settings file by a second store.
#include "../fileops/commands/CommandFixture.h"
#include "fileops/commands/DestinationListCommands.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"
#include "settings/FolderLists.h"

using namespace ferrolet;
using FolderListUndoTest = test::CommandTest;

TEST_F(FolderListUndoTest, EditsUndoneAndRedoneAtTheirPositions) {
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
