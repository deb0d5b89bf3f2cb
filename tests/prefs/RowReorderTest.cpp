// The reorder of dragged rows on plain lists, including drag data that does
// not fit the list (rows gone since the drag began, repeated rows).
#include "prefs/RowReorder.h"

#include <gtest/gtest.h>

namespace ferrolet {
namespace {

TEST(RowReorder, RowsThatDoNotFitTheListAreIgnored) {
    const QStringList start{"a", "b", "c"};
    QStringList list = start;
    EXPECT_TRUE(MoveRowsTo(list, {}, 1).isEmpty());
    EXPECT_TRUE(MoveRowsTo(list, {7, -1}, 0).isEmpty());
    EXPECT_EQ(list, start);

    EXPECT_EQ(MoveRowsTo(list, {2, 2, 9}, 0), QList<int>({0}));
    EXPECT_EQ(list, QStringList({"c", "a", "b"}));

    // A drop row past the end moves nothing off the list.
    list = start;
    EXPECT_EQ(MoveRowsTo(list, {0}, 50), QList<int>({0}));
    EXPECT_EQ(list, start);

    QStringList empty;
    EXPECT_TRUE(MoveRowsTo(empty, {0}, 0).isEmpty());
}

TEST(RowReorder, EqualPathsSelectTheFirstRowHoldingThem) {
    QStringList list{"x", "y", "x", "z"};
    const QList<int> selection = MoveRowsTo(list, {2}, 0);
    EXPECT_EQ(list, QStringList({"x", "x", "y", "z"}));
    EXPECT_EQ(selection, QList<int>({0}));
}

} // namespace
} // namespace ferrolet
