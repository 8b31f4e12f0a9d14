// The frame pump's Windows parts: present, the performance counter as the pacing clock, the
// window's messages and a lost device, the next frame, the DirectInput keyboard and the mouse.
#include <windows.h>

#include "platform/platform.h"
#include "win32/graphics_device.h"
#include "win32/keyboard_input.h"
#include "win32/pointer_input.h"
#include "win32/sound_system.h"

namespace kokurin {

namespace {

// How long to sleep between checks while the device is lost.
constexpr DWORD lostDeviceNap = 50;

// Whether the last present failed (a lost device shows up there first).
bool presentFailed = false;

// Dispatches every pending message; true when the quit message was among them (the rest stay
// queued).
bool dispatchMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            return true;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return false;
}

// Waits, with the window alive, until a lost device can be reset and is; true when the quit
// message came first.
bool waitForDevice() {
    while (!resetDevice()) {
        if (!deviceLost()) {
            // Back by itself (or never really lost): nothing to reset.
            break;
        }
        Sleep(lostDeviceNap);
        if (dispatchMessages()) {
            return true;
        }
    }
    restartFramePacing();
    return false;
}

} // namespace

void presentDrawnFrame() {
    presentFailed = FAILED(graphicsDevice.endFrame());
    Sleep(1);
}

// The scene ends unshown; the next frame's clear starts afresh.
void discardDrawnFrame() {
    graphicsDevice.endSceneUnshown();
}

std::int64_t paceClockNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t paceClockRate() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

// Every duration of the game counts frames at 60 a second: a display faster than 60 Hz, or
// none waiting for a retrace at all, must not speed the game up.
void paceWait(std::int64_t ticks) {
    if (ticks <= 0) {
        return;
    }
    const std::int64_t rate = paceClockRate();
    Sleep(static_cast<DWORD>((ticks * 1000 + rate - 1) / rate));
}

bool handleWindowEvents() {
    if (dispatchMessages()) {
        return true;
    }
    return presentFailed && deviceLost() && waitForDevice();
}

void beginNextFrame() {
    graphicsDevice.beginFrame();
}

void readDevices(DeviceReading& reading) {
    pollKeyboard(reading);
    takePointerPress(reading);
}

} // namespace kokurin
