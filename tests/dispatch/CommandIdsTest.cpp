// Tags written by the menu builders must decode back to the same command and
// folder, and nothing may decode as another command.
#include "dispatch/CommandIds.h"
#include "dispatch/MenuModel.h"

#include <gtest/gtest.h>

using namespace ferrolet;

TEST(CommandIds, FolderTagsDecodeToTheirCommandAndPosition) {
    struct Case {
        int tag;
        DestinationCommand command;
        int k;
    } cases[] = {
        {3003, DestinationCommand::MoveTo, 3},     {3006, DestinationCommand::CopyTo, 3},
        {3009, DestinationCommand::ArchiveTo, 3},  {3012, DestinationCommand::AliasTo, 3},
        {3015, DestinationCommand::OpenFolder, 3}, {3018, DestinationCommand::HardLinkTo, 3},
        {2010, DestinationCommand::OpenFolder, 2}, {1001, DestinationCommand::MoveTo, 1},
        {1006, DestinationCommand::HardLinkTo, 1},
    };
    for (const Case& c : cases) {
        const auto d = DecodeMenuItemTag(c.tag);
        ASSERT_TRUE(d) << c.tag;
        EXPECT_EQ(d->kind, DecodedTag::Kind::Destination) << c.tag;
        EXPECT_EQ(d->command, c.command) << c.tag;
        EXPECT_EQ(d->folderIndex, c.k) << c.tag;
    }
    for (int id = -1006; id <= -1001; ++id) {
        const auto d = DecodeMenuItemTag(id);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->kind, DecodedTag::Kind::Fixed);
        EXPECT_EQ(d->fixedId, id);
    }
    EXPECT_FALSE(DecodeMenuItemTag(0));
    EXPECT_FALSE(DecodeMenuItemTag(1000));
    EXPECT_FALSE(DecodeMenuItemTag(1007));
    EXPECT_FALSE(DecodeMenuItemTag(-1007));
}

TEST(CommandIds, EveryListedFolderDecodesUniquelyUpToTheLimit) {
    // Every tag the menus can write (k up to kMaxFolderItems) decodes to the
    // command and position that wrote it; one more folder would not.
    for (int base = kFirstBase; base <= kLastBase; ++base) {
        for (int k = 1; k <= kMaxFolderItems; ++k) {
            const auto d = DecodeMenuItemTag(k * base);
            ASSERT_TRUE(d);
            ASSERT_EQ(static_cast<int>(d->command), base) << k;
            ASSERT_EQ(d->folderIndex, k);
        }
    }
    const auto clash = DecodeMenuItemTag(334 * 1005);
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->command, DestinationCommand::CopyTo) << "335670 is also 335 x 1002";
}

TEST(CommandIds, HeaderTitlesAndFixedCommands) {
    EXPECT_EQ(BaseForTitle("Move To"), 1001);
    EXPECT_EQ(BaseForTitle("Hard Link To"), 1006);
    EXPECT_EQ(BaseForTitle("Open Folder"), 1005);
    EXPECT_EQ(BaseForTitle("Preferences..."), 0);
    EXPECT_EQ(HeaderTitle(DestinationCommand::ArchiveTo), "Archive To");
    ASSERT_TRUE(FindFixedCommand(cmd::CutItems));
    EXPECT_STREQ(FindFixedCommand(cmd::CutItems)->title, "Cut Items");
    EXPECT_EQ(FindFixedCommand(-1000), nullptr);

    Menu menu;
    AddMenuItem("Wrap Items", cmd::WrapItems, "tip", menu);
    ASSERT_EQ(menu.items.size(), 1u);
    EXPECT_EQ(menu.items[0].action, MenuAction::RunCommand);
    EXPECT_EQ(menu.items[0].tag, -1004);
    EXPECT_TRUE(menu.items[0].IsEnabled());
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
    menu.Append(MenuItem::Info("The Finder has no active selection"));
    MenuItem hint = MenuItem::Info("Select the item rather than");
    hint.explicitlyDisabled = true;
    menu.Append(hint);
    AddMenuItem("Cut Items", cmd::CutItems, "Cut selected Finder items", menu);

    EXPECT_TRUE(menu.items[0].IsEnabled()) << "a line with a submenu stays enabled";
    EXPECT_FALSE(menu.items[2].IsEnabled());
    EXPECT_EQ(MenuToText(menu),
              "2 Items, First item: a\\tb\\nc\n"
              "  a\\tb\\nc\taction=open\ttip=/tmp/a\\tb\\nc\n"
              "---\n"
              "The Finder has no active selection\tdisabled\n"
              "Select the item rather than\tdisabled\n"
              "Cut Items\ttag=-1005\taction=command\ttip=Cut selected Finder items\n");
    const MenuItem* found = menu.FindByTag(-1005, MenuAction::RunCommand);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->title, "Cut Items");
}
