// Tags written by the menu builders decode back to the same command and
// folder, nothing decodes as another command, and the --menu text format.
#include "dispatch/CommandIds.h"
#include "dispatch/MenuModel.h"

#include <gtest/gtest.h>

using namespace ferrolet;

TEST(CommandIds, EveryTagTheMenusWriteDecodesToItsCommandAndFolder) {
    for (int base = kFirstBase; base <= kLastBase; ++base) {
        for (int k = 1; k <= kMaxFolderItems; ++k) {
            const auto d = DecodeMenuItemTag(k * base);
            ASSERT_TRUE(d && d->kind == DecodedTag::Kind::Destination) << k * base;
            ASSERT_EQ(static_cast<int>(d->command), base) << k * base;
            ASSERT_EQ(d->folderIndex, k) << k * base;
        }
    }
    const auto clash = DecodeMenuItemTag(334 * 1005); // one folder past the limit
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->command, DestinationCommand::CopyTo) << "335670 is also 335 x 1002";
    for (int id = -1006; id <= -1001; ++id) {
        const auto d = DecodeMenuItemTag(id);
        ASSERT_TRUE(d && d->kind == DecodedTag::Kind::Fixed && d->fixedId == id) << id;
    }
    for (int tag : {0, 7, 1000, 1007, -1007}) {
        EXPECT_FALSE(DecodeMenuItemTag(tag)) << tag;
    }
    EXPECT_EQ(BaseForTitle("Hard Link To"), 1006);
    EXPECT_EQ(BaseForTitle("Preferences..."), 0);
    EXPECT_EQ(FindFixedCommand(-1000), nullptr);
}

TEST(MenuModel, EnablingRuleAndTextFormat) {
    Menu menu;
    menu.Append(MenuItem::Info("2 Items, First item: a\tb\nc"));
    menu.items.back().submenu = std::make_shared<Menu>();
    MenuItem open;
    open.title = "a\tb\nc";
    open.action = MenuAction::OpenItem;
    open.tooltip = "/tmp/a\tb\nc";
    menu.items.back().submenu->Append(open);
    menu.AppendSeparator();
    MenuItem hint = MenuItem::Info("Select the item rather than");
    hint.explicitlyDisabled = true;
    menu.Append(hint);
    AddMenuItem("Cut Items", cmd::CutItems, "Cut the items", menu);
    EXPECT_TRUE(menu.items[0].IsEnabled()) << "a line with a submenu stays enabled";
    EXPECT_EQ(MenuToText(menu), "2 Items, First item: a\\tb\\nc\n"
                                "  a\\tb\\nc\taction=open\ttip=/tmp/a\\tb\\nc\n"
                                "---\n"
                                "Select the item rather than\tdisabled\n"
                                "Cut Items\ttag=-1005\taction=command\ttip=Cut the items\n");
    const MenuItem* found = menu.FindByTag(-1005, MenuAction::RunCommand);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->title, "Cut Items");
}
