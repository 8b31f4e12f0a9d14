// Message boxes: the hint, the second copy's notice, and why the game cannot start.
#include "sdl/message_box.h"

#include <cstdio>

#include "platform/platform.h"
#include "screens/game_texts.h"
#include "sdl/display.h"
#include "sdl/game_box.h"

namespace kokurin {
namespace sdl {

bool showBox(const char* text, SDL_Window* parent) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, gameTexts().windowTitle, text,
                                    parent) == 0;
}

} // namespace sdl

// Over a scene (the hint over the match) the box is the game's own, drawn in its window; before
// the window or away from a match it is SDL's. Where no box can be shown (no display at all),
// the text still reaches the player on stderr.
void showMessageBox(const char* text) {
    if (sdl::showGameBox(text)) {
        return;
    }
    if (!sdl::showBox(text, sdl::window())) {
        std::fprintf(stderr, "kokurin: %s\n", text);
    }
}

} // namespace kokurin
