// pumpFrame for SDL: present, pace to 60 frames a second, handle the events, tick the sound,
// begin the next frame and report the keys.
#include <SDL.h>

#include "app/frame_pacer.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "sdl/display.h"
#include "sdl/drawing.h"
#include "sdl/input.h"
#include "sdl/text.h"

namespace kokurin {

namespace {

// Once the player has closed the game, every later pump says so again.
bool quitting = false;

FramePacer& framePacer() {
    static FramePacer pacer(static_cast<std::int64_t>(SDL_GetPerformanceFrequency()), 60);
    return pacer;
}

// Every duration of the game counts frames at 60 a second, whatever the display's refresh.
void waitForFrameDeadline() {
    const std::int64_t frequency = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
    const std::int64_t wait =
        framePacer().ticksToWait(static_cast<std::int64_t>(SDL_GetPerformanceCounter()));
    if (wait > 0) {
        SDL_Delay(static_cast<Uint32>((wait * 1000 + frequency - 1) / frequency));
    }
}

bool fullscreenKey(const SDL_KeyboardEvent& key) {
    if (key.repeat != 0) {
        return false;
    }
    const SDL_Scancode scancode = key.keysym.scancode;
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    return scancode == SDL_SCANCODE_F11 || (enter && (key.keysym.mod & KMOD_ALT) != 0);
}

// Handles every pending event; true when the player closed the game.
bool handleEvents() {
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

} // namespace

bool pumpFrame() {
    if (quitting) {
        return true;
    }
    sdl::runPresentHook();
    sdl::presentFrame();
    waitForFrameDeadline();
    if (handleEvents()) {
        quitting = true;
        return true;
    }
    soundTick();
    sdl::beginFrame();
    bool down[keyboardKeys];
    sdl::keysDown(down);
    bool gameDown[keyboardKeys];
    mapBoundKeys(activeKeyBindings(), down, gameDown);
    updateKeyStates(gameDown);
    return false;
}

} // namespace kokurin
