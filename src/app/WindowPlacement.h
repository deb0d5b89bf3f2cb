#pragma once

namespace ferrolet {

struct PointF {
    float x = 0;
    float y = 0;
};

// moveToMouse in the first design's screen coordinates (origin at the lower
// left of the main screen, y up): the frame origin that puts the mouse
// pointer (given from the top left, y down) at the horizontal centre of the
// window and the vertical centre of the part below the title bar. All in
// 32-bit floating point; the result is not limited to the screen.
PointF MoveToMouseOrigin(float width, float height, float screenHeight, float mouseH, float mouseV,
                         float titleBarHeight);

// The same placement in top-left coordinates (y down), as Qt places windows:
// the flip is skipped. Gives the frame's top-left corner.
PointF MoveToMouseTopLeft(float width, float height, float mouseX, float mouseY,
                          float titleBarHeight);

} // namespace ferrolet
