// Tags written by the menu builders decode back to the same command and
// folder, and nothing decodes as another command.
#include "dispatch/CommandIds.h"

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
    for (int tag : {0, 7, 1000, 1007, -1007, -1000}) {
        EXPECT_FALSE(DecodeMenuItemTag(tag)) << tag;
    }
}
