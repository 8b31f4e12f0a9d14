// The pointer of the Windows game: the window procedure notes a press, the poll takes it.
#include "win32/pointer_input.h"

#include <windowsx.h>

namespace kokurin {

namespace {

DeviceReading::Pointer pending = {0, 0, false};

} // namespace

void clientToScreen(int x, int y, int clientWidth, int clientHeight, int& screenX,
                    int& screenY) {
    // A client area of no size (minimised) is taken as the screen's.
    const int width = clientWidth > 0 ? clientWidth : screenWidth;
    const int height = clientHeight > 0 ? clientHeight : screenHeight;
    screenX = static_cast<int>(static_cast<long long>(x) * screenWidth / width);
    screenY = static_cast<int>(static_cast<long long>(y) * screenHeight / height);
}

void notePointerPress(HWND window, LPARAM lParam) {
    RECT client;
    if (!GetClientRect(window, &client)) {
        return;
    }
    int x = 0;
    int y = 0;
    clientToScreen(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), client.right - client.left,
                   client.bottom - client.top, x, y);
    pending = {x, y, true};
}

void takePointerPress(DeviceReading& reading) {
    reading.pointer = pending;
    pending.pressed = false;
}

} // namespace kokurin
