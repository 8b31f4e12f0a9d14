// pumpFrame for Windows: present, pace to 60 frames a second, dispatch messages, tick the
// sound, begin the next frame and poll the input devices.
#include <windows.h>

#include "app/frame_pacer.h"
#include "platform/platform.h"
#include "win32/graphics_device.h"
#include "win32/keyboard_input.h"
#include "win32/sound_system.h"

namespace kokurin {

namespace {

// How long to sleep between checks while the device is lost.
constexpr DWORD lostDeviceNap = 50;

std::int64_t clockTicks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t clockFrequency() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<std::int64_t>(value.QuadPart);
    }();
    return frequency;
}

FramePacer& framePacer() {
    static FramePacer pacer(clockFrequency(), 60);
    return pacer;
}

// Every duration of the game counts frames at 60 a second: a display faster than 60 Hz, or
// none waiting for a retrace at all, must not speed the game up.
void waitForFrameDeadline() {
    const std::int64_t wait = framePacer().ticksToWait(clockTicks());
    if (wait <= 0) {
        return;
    }
    const std::int64_t millis = (wait * 1000 + clockFrequency() - 1) / clockFrequency();
    Sleep(static_cast<DWORD>(millis));
}

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
    framePacer().restart();
    return false;
}

} // namespace

bool pumpFrame() {
    const HRESULT presented = graphicsDevice.endFrame();
    Sleep(1);
    waitForFrameDeadline();
    if (dispatchMessages()) {
        return true;
    }
    if (FAILED(presented) && deviceLost() && waitForDevice()) {
        return true;
    }
    soundTick();
    graphicsDevice.beginFrame();
    pollInput();
    return false;
}

} // namespace kokurin
