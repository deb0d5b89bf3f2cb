#pragma once

namespace ferrolet {

struct PointF {
    float x = 0;
    float y = 0;
};

// The frame's top-left corner (top-left coordinates, y down, as Qt places
// windows) that puts the mouse pointer at the horizontal centre of the window
// and the vertical centre of the part below the title bar. All in 32-bit
// floating point; the result is not limited to the screen.
PointF MoveToMouseTopLeft(float width, float height, float mouseX, float mouseY,
                          float titleBarHeight);

} // namespace ferrolet
