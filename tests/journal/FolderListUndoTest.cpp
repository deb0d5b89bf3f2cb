// Add and Remove Folder undone and redone through the journal: the list is
// read back from the settings file by a second store, as the next start would.

#include "../fileops/commands/CommandFixture.h"
#include "fileops/commands/DestinationListCommands.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"
#include "settings/FolderLists.h"

using namespace ferrolet;

using FolderListUndoTest = test::CommandTest;

TEST_F(FolderListUndoTest, EditsUndoneAndRedoneWithoutTouchingFiles) {
    struct Case {
        bool add;
        std::vector<std::string> before, between; // between: the list changed before undo
        std::string title;
        QStringList edited, undone, redone; // redone empty: the undo failed
    };
    const std::vector<Case> cases = {
        {true, {"A"}, {}, "Add Folder \u201CB\u201D", {"A", "B"}, {"A"}, {"A", "B"}},
        {true, {"A"}, {"B", "A"}, "Add Folder \u201CB\u201D", {"A", "B"}, {"A"}, {"B", "A"}},
        {true, {"A"}, {"A"}, "Add Folder \u201CB\u201D", {"A", "B"}, {"A"}, {}},
        {false,
         {"A", "B", "C"},
         {},
         "Remove Folder \u201CB\u201D",
         {"A", "C"},
         {"A", "B", "C"},
         {"A", "C"}},
        {false,
         {"A", "C", "B"},
         {"A"},
         "Remove Folder \u201CB\u201D",
         {"A", "C"},
         {"A", "B"},
         {"A"}},
    };
    const auto paths = [this](const std::vector<std::string>& names) {
        std::vector<std::string> out;
        for (const std::string& name : names) {
            out.push_back(MakeDir("lists/" + name));
        }
        return out;
    };
    const auto stored = [this] {
        SettingsStore fresh; // the file as written, not this store's memory
        QStringList names = FolderPathnames(fresh, keys::PathnamesAliases);
        for (QString& name : names) {
            name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        }
        return names;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + (c.between.empty() ? "" : ", list changed since"));
        SetDestinations(paths(c.before));
        Select(paths({"B"}));
        c.add ? AddSelectedFolder(Context()) : RemoveSelectedFolder(Context());
        EXPECT_EQ(stored(), c.edited);
        const Gesture gesture = JournalStore::Shared().Recent(1).front();
        EXPECT_EQ(gesture.title.toStdString(), c.title);
        if (!c.between.empty()) {
            SetDestinations(paths(c.between));
        }
        m_platform.notifications.clear();
        UndoGesture(Context(), JournalStore::Shared(), gesture);
        EXPECT_EQ(stored(), c.undone);
        EXPECT_EQ(m_platform.notifications.isEmpty(), !c.redone.isEmpty());
        if (c.redone.isEmpty()) {
            continue;
        }
        const Gesture undo = JournalStore::Shared().Recent(1).front();
        EXPECT_EQ(undo.title.toStdString(), "Undo " + c.title);
        UndoGesture(Context(), JournalStore::Shared(), undo); // redoes
        EXPECT_EQ(stored(), c.redone);
    }
}
