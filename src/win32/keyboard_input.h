// The DirectInput 8 keyboard and the per-frame poll that refreshes the key-state table.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace kokurin {

// Creates and configures the keyboard for the main window; 0 on success, E_FAIL at the first
// failing step (what was made so far stays).
HRESULT initInput(HWND window);
// DirectInput's keyboard scan codes are the game's key numbers; a byte with bit 7 set is down.
void keysDownInBuffer(const std::uint8_t buffer[256], bool down[keyboardKeys]);
// Reads the keyboard, when it exists, into a poll's reading (no pads, no taps).
void pollKeyboard(DeviceReading& reading);
// Releases the keyboard and DirectInput; returns 0.
HRESULT releaseInput();

} // namespace kokurin
