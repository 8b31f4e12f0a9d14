// Message boxes: the hint, the second copy's notice, and why the game cannot start.
#include "sdl/message_box.h"

#include <cstdio>

#include "platform/platform.h"
#include "sdl/display.h"

namespace kokurin {
namespace sdl {

bool showBox(const char* text, SDL_Window* parent) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "剋輪闘", text, parent) == 0) {
        return true;
    }
    std::fprintf(stderr, "kokurin: %s\n", text);
    return false;
}

} // namespace sdl

void showMessageBox(const char* text) {
    sdl::showBox(text, sdl::window());
}

} // namespace kokurin
