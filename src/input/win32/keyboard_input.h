// The DirectInput 8 devices (keyboard, mouse, first game controller) and the per-frame poll that
// refreshes the key-state table.
#pragma once

#include <windows.h>

// Creates and configures the devices for the main window; 0 on success, E_FAIL at the first
// failing step (what was made so far stays).
HRESULT initInput(HWND window);
// Reads every device that exists into keyState; called once per frame by pumpFrame.
void pollInput();
// Releases the devices; returns 0.
HRESULT releaseInput();
// Whether a game controller was taken at set-up.
bool controllerPresent();
