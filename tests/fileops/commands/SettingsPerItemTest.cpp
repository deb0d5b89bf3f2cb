// A run looks at the settings file once per item: a change written by
// another program (Python's plistlib, as the preferences window of another
// instance would) while an item is being filed leaves that item as it began,
// and applies from the next item on.
#include "CommandFixture.h"
#include "fileops/commands/MoveSelection.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

using namespace ferrolet;

namespace {

class SettingsPerItemTest : public ferrolet::test::DestinationCommandTest {};

TEST_F(SettingsPerItemTest, ChangeDuringAnItemAppliesFromTheNextItem) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        WriteFile(std::string("src/") + name, name);
    }
    MakeDir("dest");
    SetDestinations({Path("dest")});
    SetOption(keys::SelectMovedItem, true);
    Select({Path("src/a.txt"), Path("src/b.txt"), Path("src/c.txt")});

    // The first "Moved" line falls between the item's move and its reveal:
    // that is when the other program turns the reveal off.
    const std::string file = m_settings->FilePath();
    bool changed = false;
    SetLogSink([&](const QString& line) {
        if (!changed && line.startsWith(QLatin1String("Moved "))) {
            changed = true;
            ASSERT_EQ(test::RunProgram({"python3", "-c",
                                        "import plistlib,sys\n"
                                        "p=sys.argv[1]\n"
                                        "d=plistlib.load(open(p,'rb'))\n"
                                        "d['SelectMovedItem']=False\n"
                                        "plistlib.dump(d,open(p,'wb'))",
                                        file}),
                      0);
        }
    });
    MoveSelectionToFolder(*m_ctx, 1);
    SetLogSink({});

    EXPECT_TRUE(changed);
    EXPECT_EQ(Names(Path("dest")), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    // a.txt was revealed by the look its item began with; b.txt and c.txt
    // saw the change.
    EXPECT_EQ(m_platform.revealed, (std::vector<std::string>{Path("dest/a.txt")}));
}

} // namespace
