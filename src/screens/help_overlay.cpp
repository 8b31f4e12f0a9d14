// The help overlay's layout: a dimmed screen and a label beside each part of the match screen
// (the bars, the timer, the queues, the cursor and the mark) or the title's keys, the ring of
// the five phases on both, and the keys named as they are bound.
#include "screens/help_overlay.h"

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "screens/bound_key_texts.h"
#include "screens/element_ring.h"
#include "screens/game_texts.h"
#include "screens/match_screen.h"
#include "screens/palette.h"

namespace kokurin {

namespace {

HelpScene drawnScene = HelpScene::None;
bool latched = false;

constexpr int labelHeight = 14;
constexpr int keyLineHeight = 13;
constexpr Colour dimmer = 0xA0000000u;
constexpr Colour labelYellow = 0xFFFFFF80u;
// Where the ring of the phases goes: left of the board below the cursor's label, and right of
// the title's portrait.
constexpr int matchRingX = elementRingHalfWidth + 2;
constexpr int matchRingY = 240 + elementRingAbove;

void label(int x, int y, const char* text, TextFormat format = textLeftTop) {
    drawText(x, y, text, labelYellow, labelHeight, gameFace, format);
}

void keyLines(const char* const lines[helpKeyLines], int top) {
    for (int line = 0; line < helpKeyLines; ++line) {
        drawText(320, top + 14 * line, withBoundKeys(lines[line]), textWhite, keyLineHeight,
                 gameFace, textCentre);
    }
}

void drawMatchHelp(const HelpTexts& t) {
    // Under each hit point bar (y 32..40, 1P from the left edge, 2P from the right).
    label(8, 44, t.hitPoints[0]);
    label(560, 44, t.hitPoints[1], textCentre);
    // Above the timer at (280, 24).
    label(320, 8, t.timer, textCentre);
    // Left of the board: what the two squares on it mean.
    drawSolidRect(8.0f, 202.0f, 18.0f, 212.0f, cursorOrange);
    label(22, 200, t.cursor);
    drawSolidRect(8.0f, 222.0f, 18.0f, 232.0f, selectionBlue);
    label(22, 220, t.mark);
    // Under the board, over the two queues (drawn at y 416 from either edge inwards).
    label(320, 386, t.board, textCentre);
    label(16, 400, t.queues[0]);
    label(320, 400, t.queueOrder, textCentre);
    label(580, 400, t.queues[1], textCentre);
    // Left of the board, under the cursor's and the mark's labels.
    drawElementRing(matchRingX, matchRingY);
    keyLines(t.keys, 436);
}

} // namespace

void showingForHelp(HelpScene scene) {
    drawnScene = scene;
}

void setHelpLatched(bool on) {
    latched = on;
}

bool helpLatched() {
    return latched;
}

bool helpAsked() {
    return latched || keyState[keyF1] > 0 || keyState[keySlash] > 0;
}

void drawHelpOverlay(HelpScene scene) {
    if (scene == HelpScene::None) {
        return;
    }
    const HelpTexts& t = gameTexts().help;
    drawSolidRect(0.0f, 0.0f, 640.0f, 480.0f, dimmer);
    if (scene == HelpScene::Match) {
        drawMatchHelp(t);
    } else {
        drawElementRing(titleRingX, titleRingY);
        keyLines(t.title, 432);
    }
}

void drawHelpBeforePresent() {
    if (helpAsked()) {
        drawHelpOverlay(drawnScene);
    }
    drawnScene = HelpScene::None;
}

} // namespace kokurin
