// The game's one window: its class, its creation at a fixed place with a 640 x 480 client area,
// and its window procedure.
#pragma once

#include <windows.h>

namespace kokurin {

// The class name, which also identifies a running instance.
extern const char* const mainWindowClass;

// The window made by createMainWindow.
extern HWND mainWindow;

// True when the class could not be registered.
bool registerWindowClass(HINSTANCE instance);
// Creates the window with a client area of exactly 640 x 480 and its outer top-left corner at
// screen (320, 80); null when it could not be made.
HWND createMainWindow(HINSTANCE instance);
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The running instance's window, or null.
HWND findRunningInstance();

} // namespace kokurin
