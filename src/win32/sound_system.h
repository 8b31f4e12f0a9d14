// The DirectSound 8 output: the device and 256 sound slots of eight playing copies each.
#pragma once

#include <windows.h>

namespace kokurin {

// Initialises COM, empties the slots and opens the default sound device for the window with
// exclusive priority: 0 on success, 1 without a device.
int initSound(HWND window);
// Releases every buffer and the device, then COM.
void releaseSound();
// Whether initSound opened a device.
bool soundDeviceReady();

} // namespace kokurin
