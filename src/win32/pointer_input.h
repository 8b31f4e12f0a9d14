// The mouse's left button (and a touch or a pen, which Windows hands on as that button) as the
// frame's pointer: the window's button messages are kept until the next poll of the devices.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace kokurin {

// A press in the window's client area at lParam's place (WM_LBUTTONDOWN's).
void notePointerPress(HWND window, LPARAM lParam);
// The last press since the last poll, on the 640 x 480 screen; then forgets it.
void takePointerPress(DeviceReading& reading);

// A client-area point on the 640 x 480 screen, for a client area of that size (the window's
// whole-number scale undone; a point outside stays outside).
void clientToScreen(int x, int y, int clientWidth, int clientHeight, int& screenX,
                    int& screenY);

} // namespace kokurin
