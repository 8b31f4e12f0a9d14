// The frame pump's SDL parts: present, the performance counter as the pacing clock, the
// window's events (close, F11 and Alt+Enter, a reset device, keys and pads), the next frame and
// the devices.
#include <SDL.h>

#include "platform/platform.h"
#include "sdl/display.h"
#include "sdl/draw_batch.h"
#include "sdl/drawing.h"
#include "sdl/input.h"
#include "sdl/text.h"

namespace kokurin {

namespace {

bool fullscreenKey(const SDL_KeyboardEvent& key) {
    if (key.repeat != 0) {
        return false;
    }
    const SDL_Scancode scancode = key.keysym.scancode;
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    return scancode == SDL_SCANCODE_F11 || (enter && (key.keysym.mod & KMOD_ALT) != 0);
}

} // namespace

bool handleWindowEvents() {
    bool closed = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_QUIT:
            closed = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                closed = true;
            }
            break;
        case SDL_KEYDOWN:
            // Alt+Enter is the window's, not player 2's RETURN.
            if (fullscreenKey(event.key)) {
                sdl::toggleFullscreen();
            } else {
                sdl::handleInputEvent(event);
            }
            break;
        case SDL_RENDER_DEVICE_RESET:
            // Every texture went with the device: make them again.
            sdl::remakePictureTexture();
            sdl::releaseGlyphs();
            break;
        default:
            sdl::handleInputEvent(event);
            break;
        }
    }
    return closed;
}

void presentDrawnFrame() {
    sdl::runPresentHook();
    sdl::presentFrame();
}

// The batch goes to the renderer and the next frame's clear wipes it.
void discardDrawnFrame() {
    sdl::flushDrawing();
}

std::int64_t paceClockNow() {
    return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}

std::int64_t paceClockRate() {
    return static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
}

void paceWait(std::int64_t ticks) {
    if (ticks > 0) {
        const std::int64_t rate = paceClockRate();
        SDL_Delay(static_cast<Uint32>((ticks * 1000 + rate - 1) / rate));
    }
}

void beginNextFrame() {
    sdl::beginFrame();
}

void readDevices(DeviceReading& reading) {
    sdl::readDevices(reading);
}

} // namespace kokurin
