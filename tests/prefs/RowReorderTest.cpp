// The reorder of dragged rows on plain lists, including drag data that does
// not fit the list (rows gone since the drag began, repeated rows).
#include "prefs/RowReorder.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(RowReorder, RowsFromBothSidesOfTheDropKeepTheirGaps) {
    const QStringList f{"F1", "F2", "F3", "F4", "F5"};
    struct Case {
        QList<int> dragged;
        int dropRow;
        QStringList result;
        QList<int> selection;
    };
    const std::vector<Case> cases{
        {{0, 1}, 4, {"F3", "F4", "F1", "F2", "F5"}, {2, 3}},
        {{3, 4}, 0, {"F4", "F5", "F1", "F2", "F3"}, {0, 1}},
        {{0, 4}, 2, {"F2", "F1", "F3", "F4", "F5"}, {1, 4}},
        {{2, 4}, 0, {"F3", "F1", "F5", "F2", "F4"}, {0, 2}},
        {{2}, 2, f, {2}}, // just above itself
        {{2}, 3, f, {2}}, // just below itself
        {{0}, 5, {"F2", "F3", "F4", "F5", "F1"}, {4}},
        {{4, 0}, 1, f, {0, 4}}, // unsorted drag data
        // A dragged row at the destination itself slides up with the rest.
        {{0, 2}, 3, {"F2", "F1", "F4", "F3", "F5"}, {1, 3}},
    };
    for (const Case& c : cases) {
        QStringList list = f;
        EXPECT_EQ(MoveRowsTo(list, c.dragged, c.dropRow), c.selection) << c.dropRow;
        EXPECT_EQ(list, c.result) << c.dropRow;
    }
}

TEST(RowReorder, EqualPathsSelectTheFirstRowHoldingThem) {
    QStringList list{"x", "y", "x", "z"};
    const QList<int> selection = MoveRowsTo(list, {2}, 0);
    EXPECT_EQ(list, QStringList({"x", "x", "y", "z"}));
    EXPECT_EQ(selection, QList<int>({0}));
}

} // namespace
} // namespace ferrolet
