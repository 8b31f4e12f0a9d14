// The browser's steps of the game's start-up and shutdown, and the program's entry: the page
// has loaded the font before main runs (the pictures follow while the game runs).
#include "platform/platform.h"
#include "web/frame_draws.h"
#include "web/page_bridge.h"
#include "web/page_language.h"

namespace kokurin {

namespace {

// openDisplay's exit code when the page has no canvas to draw on.
constexpr int exitNoCanvas = 2;

} // namespace

// Every tab is a game of its own.
bool claimSingleInstance() {
    return true;
}

// The page's folder is where data/ is fetched from already.
void enterExecutableFolder() {}

// The game has chosen its language by now; the page's own texts follow it from here on.
int openDisplay() {
    web::tellPageLanguage();
    return kokurin_page_open_canvas() == 0 ? 0 : exitNoCanvas;
}

// The page listens for keys and pads from the start.
void openInput() {}

bool openSound() {
    return kokurin_page_sound_available() != 0;
}

std::uint32_t clockMilliseconds() {
    return kokurin_page_clock_ms();
}

void beginFirstFrame() {
    web::frameDraws().clear();
}

void closeDisplay() {
    web::frameDraws().clear();
}

} // namespace kokurin

int main() {
    const int exitCode = kokurin::runGame();
    kokurin_page_game_ended(exitCode);
    return exitCode;
}
