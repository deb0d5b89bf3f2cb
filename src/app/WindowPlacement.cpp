#include "WindowPlacement.h"

namespace ferrolet {

PointF MoveToMouseTopLeft(float width, float height, float mouseX, float mouseY,
                          float titleBarHeight) {
    const float half = 0.5f;
    // The content area's centre is titleBarHeight + (height - titleBarHeight)/2
    // below the frame's top.
    return {mouseX - half * width, mouseY - titleBarHeight - half * (height - titleBarHeight)};
}

} // namespace ferrolet
