#pragma once
// Whether the desktop blends our windows with what lies behind them. Under X
// that takes a compositing manager, which owns the screen's _NET_WM_CM_Sn
// selection; without one, the transparent parts of a translucent window show
// black, so such a window shapes itself with a mask instead.

#include <functional>

namespace platform {

// True when per-pixel transparency reaches the screen: under X when the
// compositing selection of the default screen has an owner; on other window
// systems (Wayland, offscreen) always. Asked anew on every call; needs the
// application object.
bool compositingManagerRunning();

// Tests replace the answer; an empty function asks the window system again.
void setCompositingProbe(std::function<bool()> probe);

} // namespace platform
