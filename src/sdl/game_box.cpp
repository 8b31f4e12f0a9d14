// The game's own box: the scene dimmed under a framed panel with the text and an OK button,
// drawn every frame while the box waits for a press. Events that would act in the game (keys
// going down, clicks, taps, a pad's button) close the box and go no further; keys let go and
// pads coming and going still reach the input, so nothing seems held afterwards; a closed window
// closes the box and is handed on to the game.
#include "sdl/game_box.h"

#include <SDL.h>

#include <algorithm>

#include "gfx/text_format.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "screens/match_screen.h"
#include "sdl/display.h"
#include "sdl/drawing.h"
#include "sdl/input.h"
#include "sdl/text.h"

namespace kokurin {
namespace sdl {

namespace {

constexpr Colour dimming = 0xA0000000u;
constexpr Colour panel = 0xFF182436u;
constexpr Colour frameWhite = 0xFFFFFFFFu;
constexpr Colour buttonYellow = 0xFFFFFF80u;
constexpr int textHeight = 20;
constexpr int buttonWidth = 96;
constexpr int buttonHeight = 28;

void drawFrame(float left, float top, float right, float bottom, Colour colour) {
    ColourVertex lines[8] = {
        {left, top, 0.0f, 1.0f, colour},     {right, top, 0.0f, 1.0f, colour},
        {right, top, 0.0f, 1.0f, colour},    {right, bottom, 0.0f, 1.0f, colour},
        {right, bottom, 0.0f, 1.0f, colour}, {left, bottom, 0.0f, 1.0f, colour},
        {left, bottom, 0.0f, 1.0f, colour},  {left, top, 0.0f, 1.0f, colour},
    };
    drawColourPrimitive(PrimitiveKind::LineList, 4, lines);
}

void drawBox(const char* text) {
    int lines = 1;
    for (const char* c = text; *c != '\0'; ++c) {
        lines += *c == '\n' ? 1 : 0;
    }
    const int width = std::min(std::max(textWidth(text, textHeight, gameFace) + 64, 240), 620);
    const int height = textHeight * lines + 88;
    const float left = static_cast<float>((screenWidth - width) / 2);
    const float top = static_cast<float>((screenHeight - height) / 2);
    const float right = left + static_cast<float>(width);
    const float bottom = top + static_cast<float>(height);
    drawSolidRect(0.0f, 0.0f, static_cast<float>(screenWidth), static_cast<float>(screenHeight),
                  dimming);
    drawSolidRect(left, top, right, bottom, panel);
    drawFrame(left + 0.5f, top + 0.5f, right - 0.5f, bottom - 0.5f, frameWhite);
    drawText(screenWidth / 2, static_cast<int>(top) + 24, text, frameWhite, textHeight, gameFace,
             textCentre);
    const float buttonLeft = static_cast<float>((screenWidth - buttonWidth) / 2);
    const float buttonTop = bottom - 16.0f - buttonHeight;
    drawFrame(buttonLeft + 0.5f, buttonTop + 0.5f, buttonLeft + buttonWidth - 0.5f,
              buttonTop + buttonHeight - 0.5f, buttonYellow);
    drawText(screenWidth / 2, static_cast<int>(buttonTop) + 6, "OK", buttonYellow, 16, gameFace,
             textCentre);
}

struct BoxEvents {
    // The window was closed under the box.
    bool closing = false;
    // A pad's button went down in the box: the box closes when it is let go, since the game
    // reads pads as they are held and would take a button still down for a press of its own.
    bool padPressed = false;
};

// Whether the event closes the box.
bool closesBox(const SDL_Event& event, BoxEvents& seen) {
    switch (event.type) {
    case SDL_QUIT:
        seen.closing = true;
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            seen.closing = true;
            return true;
        }
        return false;
    case SDL_KEYDOWN:
        return event.key.repeat == 0;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_FINGERDOWN:
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
        seen.padPressed = true;
        return false;
    case SDL_CONTROLLERBUTTONUP:
        return seen.padPressed;
    case SDL_RENDER_DEVICE_RESET:
        remakePictureTexture();
        releaseGlyphs();
        return false;
    case SDL_KEYUP:
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
        handleInputEvent(event);
        return false;
    default:
        return false;
    }
}

} // namespace

bool showGameBox(const char* text) {
    if (window() == nullptr || renderer() == nullptr) {
        return false;
    }
    // The box opens in a frame the game has begun and not drawn yet (the match's step asks for
    // it): the scene first, then the box. Without a scene nothing of the frame is touched.
    if (!redrawScene()) {
        return false;
    }
    BoxEvents seen;
    for (bool open = true; open;) {
        drawBox(text);
        runPresentHook();
        presentFrame();
        SDL_Event event;
        // A frame's wait for the first event, then whatever else came meanwhile. Every event
        // of the batch is looked at, even after one closed the box: a key let go still reaches
        // the input, a close is not lost behind a key, and the press SDL makes of a tap goes no
        // further than the tap.
        if (SDL_WaitEventTimeout(&event, 16) != 0) {
            do {
                if (closesBox(event, seen)) {
                    open = false;
                }
            } while (SDL_PollEvent(&event) != 0);
        }
        // The box's frames offer nothing to pick: the game's next frame offers its own.
        takeOfferedPicks();
        beginFrame();
        if (open) {
            redrawScene();
        }
    }
    if (seen.closing) {
        // The game sees the closed window at its next events, as it would have without the box.
        SDL_Event quit;
        SDL_zero(quit);
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    // The game's clock stood still with the box: its frames go on from now.
    restartFramePacing();
    return true;
}

} // namespace sdl
} // namespace kokurin
