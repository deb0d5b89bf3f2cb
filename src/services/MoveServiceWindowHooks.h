#pragma once

#include <functional>

namespace ferrolet {

// How the services reach the Move Service window, which lives in the window
// layer: the core has no widgets, so the tray fills these in. Either may be
// empty where there is no window (a run without the tray).
struct MoveServiceWindowHooks {
    std::function<void()> openAtMouse; // place at the mouse, show, make key
    std::function<void()> close;       // hide
};

} // namespace ferrolet
