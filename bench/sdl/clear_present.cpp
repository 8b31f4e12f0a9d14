// The least an SDL game can do each frame: clear the window and present it, 60 times a second,
// in a window like the game's. The benchmark script sets the game's CPU time per frame beside
// this one's.
//   kokurin_sdl_clear_present SECONDS
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/frame_pacer.h"

int main(int argc, char* argv[]) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return 2;
    }
    // The game's window: 2x where the display has room, an accelerated renderer without vsync.
    SDL_Rect usable = {0, 0, 0, 0};
    SDL_GetDisplayUsableBounds(0, &usable);
    const int scale = usable.w >= 1280 && usable.h >= 1000 ? 2 : 1;
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_Window* window = SDL_CreateWindow("clear and present", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, 640 * scale, 480 * scale, 0);
    SDL_Renderer* renderer = window != nullptr ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    if (renderer == nullptr) {
        std::fprintf(stderr, "no renderer: %s\n", SDL_GetError());
        return 3;
    }
    const auto frequency = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
    kokurin::FramePacer pacer(frequency, 60);
    for (long frame = 0; frame < 60L * seconds; ++frame) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0xFF);
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
        const std::int64_t wait =
            pacer.ticksToWait(static_cast<std::int64_t>(SDL_GetPerformanceCounter()));
        if (wait > 0) {
            SDL_Delay(static_cast<Uint32>((wait * 1000 + frequency - 1) / frequency));
        }
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
        }
    }
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
