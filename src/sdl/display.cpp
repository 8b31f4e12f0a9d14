// The window and the renderer, and the reasons given when they cannot be had.
#include "sdl/display.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "screens/game_texts.h"
#include "sdl/draw_batch.h"
#include "sdl/message_box.h"

namespace kokurin {
namespace sdl {

namespace {

// Why the game cannot start, in Japanese and in English (gameLanguage's order).
const char* const noVideoText[] = {
    "画面を開けないため起動できません。\n"
    "デスクトップ（X11 または Wayland）の中で起動してください。",
    "The game cannot start: no screen can be opened.\n"
    "Start it from a desktop (X11 or Wayland).",
};
const char* const noWindowText[] = {
    "ウィンドウを作成できないため起動できません。",
    "The game cannot start: its window cannot be made.",
};
const char* const noRendererText[] = {
    "描画の準備ができないため起動できません。\n"
    "グラフィックス ドライバーを確認してください。",
    "The game cannot start: it cannot draw.\n"
    "Check the graphics driver.",
};

const char* inLanguage(const char* const texts[]) {
    return texts[static_cast<int>(gameLanguage())];
}

struct Display {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    bool fullscreen = false;
    // The player's settings: fullscreen at start, the window's scale (0: windowScale's choice).
    bool startFullscreen = false;
    int preferredScale = 0;
    std::function<void()> presentHook;
};

Display display;

// Says why the game cannot start: on stderr always, in a box when one can be shown.
int refuse(const char* text, const char* reason, int exitCode) {
    std::fprintf(stderr, "kokurin: %s\n(%s)\n", text, reason);
    showBox(text, display.window);
    return exitCode;
}

// The player's scale, else 2x, where the window, with room for a title bar, fits the display's
// usable area; the largest that fits below it otherwise.
int windowScale() {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return display.preferredScale > 0 ? display.preferredScale : 1;
    }
    const int titleBarRoom = 40;
    int scale = display.preferredScale > 0 ? display.preferredScale : 2;
    while (scale > 1 &&
           (usable.w < scale * screenWidth || usable.h < scale * screenHeight + titleBarRoom)) {
        --scale;
    }
    return scale;
}

SDL_Renderer* makeRenderer(SDL_Window* window) {
    // Frames are paced by the game itself, whatever the display's refresh rate.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return renderer;
}

// SDL falls back on drivers that draw nowhere when there is no display; only someone who asks
// for one by name gets it.
bool drawsNowhere() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible = driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 ||
                                                 SDL_strcmp(driver, "dummy") == 0);
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return invisible && (asked == nullptr || *asked == '\0');
}

} // namespace

int openWindow() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return refuse(inLanguage(noVideoText), SDL_GetError(), exitNoVideo);
    }
    if (drawsNowhere()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return refuse(inLanguage(noVideoText), "no display", exitNoVideo);
    }
    const int scale = windowScale();
    // Hidden until the renderer is made: making it may replace the window with another.
    display.window = SDL_CreateWindow(
        gameTexts().windowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, screenWidth * scale,
        screenHeight * scale, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
    if (display.window == nullptr) {
        return refuse(inLanguage(noWindowText), SDL_GetError(), exitNoWindow);
    }
    SDL_SetWindowMinimumSize(display.window, screenWidth, screenHeight);
    display.renderer = makeRenderer(display.window);
    if (display.renderer == nullptr) {
        const int code = refuse(inLanguage(noRendererText), SDL_GetError(), exitNoRenderer);
        closeWindow();
        return code;
    }
    // Whole-number scaling keeps every game pixel a crisp square; the rest is black bars.
    SDL_RenderSetLogicalSize(display.renderer, screenWidth, screenHeight);
    SDL_RenderSetIntegerScale(display.renderer, SDL_TRUE);
    SDL_ShowWindow(display.window);
    if (display.startFullscreen) {
        toggleFullscreen();
    }
    return 0;
}

void closeWindow() {
    flushDrawing();
    if (display.renderer != nullptr) {
        SDL_DestroyRenderer(display.renderer);
        display.renderer = nullptr;
    }
    if (display.window != nullptr) {
        SDL_DestroyWindow(display.window);
        display.window = nullptr;
    }
}

SDL_Window* window() {
    return display.window;
}
SDL_Renderer* renderer() {
    return display.renderer;
}

void beginFrame() {
    SDL_Renderer* r = display.renderer;
    if (r == nullptr) {
        return;
    }
    // The whole window, black bars included.
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 0xFF);
    SDL_RenderClear(r);
    // Source alpha over inverse source alpha, for everything drawn in the frame.
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
}

void presentFrame() {
    SDL_Renderer* r = display.renderer;
    if (r == nullptr) {
        return;
    }
    flushDrawing();
    SDL_RenderPresent(r);
}

bool readFrame(std::uint32_t* pixels) {
    SDL_Renderer* r = display.renderer;
    if (r == nullptr) {
        return false;
    }
    flushDrawing();
    // The game's area of the window, each game pixel a scale x scale square of it.
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    SDL_RenderGetScale(r, &scaleX, &scaleY);
    const int scale = SDL_max(1, static_cast<int>(scaleX + 0.5f));
    const int width = screenWidth * scale;
    static std::vector<std::uint32_t> shown;
    shown.resize(static_cast<std::size_t>(width) * screenHeight * scale);
    if (SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(), width * 4) != 0) {
        return false;
    }
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            pixels[y * screenWidth + x] = shown[static_cast<std::size_t>(y) * scale * width +
                                                static_cast<std::size_t>(x) * scale];
        }
    }
    return true;
}

void toggleFullscreen() {
    if (display.window == nullptr) {
        return;
    }
    const bool fullscreen = !display.fullscreen;
    if (SDL_SetWindowFullscreen(display.window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) ==
        0) {
        display.fullscreen = fullscreen;
    }
}

void setPresentHook(std::function<void()> hook) {
    display.presentHook = std::move(hook);
}

void runPresentHook() {
    if (display.presentHook) {
        display.presentHook();
    }
}

} // namespace sdl

void setWindowPreferences(bool fullscreen, int scale) {
    sdl::display.startFullscreen = fullscreen;
    sdl::display.preferredScale = scale;
}

} // namespace kokurin
