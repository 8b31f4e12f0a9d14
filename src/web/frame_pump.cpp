// pumpFrame in the browser: the frame's commands go to the canvas in one call, the game yields
// to the browser until the next 1/60 s deadline (counting frames, whatever the display's rate),
// waits while the tab is hidden, ticks the sound and reads the keys.
#include <emscripten.h>

#include <cstdint>

#include "app/frame_pacer.h"
#include "input/key_bindings.h"
#include "platform/platform.h"
#include "web/frame_draws.h"
#include "web/page_bridge.h"

namespace kokurin {

namespace {

constexpr std::int64_t microsecondsPerSecond = 1000000;
// How often a hidden tab looks whether it is shown again.
constexpr unsigned hiddenNap = 100;

FramePacer& framePacer() {
    static FramePacer pacer(microsecondsPerSecond, 60);
    return pacer;
}

std::int64_t nowMicroseconds() {
    return static_cast<std::int64_t>(kokurin_page_now_us());
}

// Always yields once, so that the browser shows the frame and delivers the keys even when the
// game runs late.
void waitForFrameDeadline() {
    const std::int64_t wait = framePacer().ticksToWait(nowMicroseconds());
    const std::int64_t millis = wait > 0 ? (wait + 999) / 1000 : 0;
    emscripten_sleep(static_cast<unsigned>(millis));
}

// A hidden tab gets no frames: the match waits where it is, and the deadlines start afresh
// once it is shown.
void waitWhileHidden() {
    if (!kokurin_page_hidden()) {
        return;
    }
    while (kokurin_page_hidden()) {
        emscripten_sleep(hiddenNap);
    }
    framePacer().restart();
}

} // namespace

bool pumpFrame() {
    web::DrawList& draws = web::frameDraws();
    kokurin_page_present(draws.words(), draws.wordCount(), draws.textBytes());
    draws.clear();
    waitForFrameDeadline();
    waitWhileHidden();
    soundTick();
    bool down[keyboardKeys] = {};
    kokurin_page_poll_keys(down);
    bool gameDown[keyboardKeys];
    mapBoundKeys(activeKeyBindings(), down, gameDown);
    updateKeyStates(gameDown);
    // A closed tab ends the script with it: there is no later frame to report it in.
    return false;
}

void showMessageBox(const char* text) {
    // As the Windows box does, this blocks the game (not the browser) until it is closed.
    constexpr unsigned boxNap = 30;
    kokurin_page_open_box(text != nullptr ? text : "");
    while (kokurin_page_box_open()) {
        emscripten_sleep(boxNap);
    }
}

} // namespace kokurin
