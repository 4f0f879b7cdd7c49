#pragma once
// Placing top-level windows on the screen.
#include "platform/windowing.h"

// Moves the window, keeping its size, Z order and activation, so that it is
// centred on the primary screen. False, and nothing moved, when its
// rectangle can not be read or the centred position would put its left or
// top edge off the screen (a window at least two pixels larger than the
// screen: half of the difference is truncated toward zero, so one pixel
// over still gives 0).
bool CenterWindowOnScreen(platform::WindowHandle window);
