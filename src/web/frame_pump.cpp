// The frame pump's browser parts: the frame's commands go to the canvas in one call, the game
// yields to the browser until the next deadline, waits while the tab is hidden and reads the keys,
// pads, pointer and help button the page kept; the page's texts follow the game's language.
#include <emscripten.h>

#include <cstdint>

#include "platform/platform.h"
#include "screens/help_overlay.h"
#include "web/frame_draws.h"
#include "web/page_bridge.h"
#include "web/page_language.h"

namespace kokurin {

namespace {

constexpr std::int64_t microsecondsPerSecond = 1000000;
// How often a hidden tab looks whether it is shown again.
constexpr unsigned hiddenNap = 100;

} // namespace

void presentDrawnFrame() {
    web::DrawList& draws = web::frameDraws();
    kokurin_page_present(draws.words(), draws.wordCount(), draws.textBytes());
    draws.clear();
}

void discardDrawnFrame() {
    web::frameDraws().clear();
}

std::int64_t paceClockNow() {
    return static_cast<std::int64_t>(kokurin_page_now_us());
}

std::int64_t paceClockRate() {
    return microsecondsPerSecond;
}

// Always yields once, so that the browser shows the frame and delivers the keys even when the
// game runs late.
void paceWait(std::int64_t ticks) {
    const std::int64_t millis = ticks > 0 ? (ticks + 999) / 1000 : 0;
    emscripten_sleep(static_cast<unsigned>(millis));
}

// A hidden tab gets no frames: the match waits where it is, and the deadlines start afresh once
// it is shown. A closed tab ends the script with it: there is no later frame to report it in.
bool handleWindowEvents() {
    if (kokurin_page_hidden()) {
        while (kokurin_page_hidden()) {
            emscripten_sleep(hiddenNap);
        }
        restartFramePacing();
    }
    return false;
}

// The settings screen may have changed the language since the last frame.
void beginNextFrame() {
    web::tellPageLanguage();
}

void readDevices(DeviceReading& reading) {
    std::int32_t pointer[4] = {};
    kokurin_page_poll_devices(reading.down, reading.tapped, reading.padButtons, pointer);
    reading.pointer = {pointer[0], pointer[1], pointer[2] != 0};
    // The page's help button stays on until pressed again, as F1 held does while held.
    const bool helpButtonOn = pointer[3] != 0;
    if (helpButtonOn != helpLatched()) {
        setHelpLatched(helpButtonOn);
    }
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
