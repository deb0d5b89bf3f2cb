#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace ferrolet;

TEST(WindowPlacement, PointerLandsAtTheCentreOfTheContentArea) {
    // Pointer at (500, 300) from the top left; a 200 x 120 window with a
    // 22-point title bar: the frame's top edge is 300 - 22 - 98 / 2 = 229
    // from the top.
    const PointF topLeft = MoveToMouseTopLeft(200, 120, 500, 300, 22);
    EXPECT_FLOAT_EQ(topLeft.x, 400);
    EXPECT_FLOAT_EQ(topLeft.y, 229);
    // Content area: 229 + 22 = 251 to 349; its centre is the pointer.
    EXPECT_FLOAT_EQ(topLeft.y + 22 + (120 - 22) / 2.0f, 300);

    // Near the edge the window is not held on the screen.
    const PointF edge = MoveToMouseTopLeft(200, 120, 10, 5, 0);
    EXPECT_FLOAT_EQ(edge.x, -90);
    EXPECT_FLOAT_EQ(edge.y, -55);
}
