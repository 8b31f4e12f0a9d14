// The match screen, drawn anew every frame from the match record.
#include "screens/match_screen.h"

#include <array>

#include "gfx/hue.h"
#include "gfx/text_format.h"
#include "platform/platform.h"
#include "screens/flash_options.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
#include "screens/palette.h"

namespace kokurin {

namespace {

// The colour of a bar's k-th line, worked out once for a full bar (20 hit points) rather than
// for every line of every frame.
std::uint32_t barColour(int k) {
    static const std::array<std::uint32_t, 241> table = [] {
        std::array<std::uint32_t, 241> colours{};
        for (int i = 0; i < static_cast<int>(colours.size()); ++i) {
            colours[static_cast<std::size_t>(i)] =
                hueToColour(static_cast<float>(i) / 15.0f, 1.0f) + 0xFF000000u;
        }
        return colours;
    }();
    if (k < static_cast<int>(table.size())) {
        return table[static_cast<std::size_t>(k)];
    }
    return hueToColour(static_cast<float>(k) / 15.0f, 1.0f) + 0xFF000000u;
}

// One bar of 1-pixel lines, 12 per hit point, red at the screen edge.
void drawHitPointBar(int player, float hp) {
    float length = hp * 12.0f;
    for (int k = 0; static_cast<float>(k) < length; ++k) {
        float x = player == 0 ? static_cast<float>(8 + k) : static_cast<float>(632 - k);
        std::uint32_t colour = barColour(k);
        ColourVertex line[2] = {
            {x, 32.0f, 0.0f, 1.0f, colour},
            {x, 40.0f, 0.0f, 1.0f, colour},
        };
        drawColourPrimitive(PrimitiveKind::LineList, 1, line);
    }
}

} // namespace

void drawSolidRect(float x0, float y0, float x1, float y1, std::uint32_t colour) {
    // Top-right, bottom-right, top-left, bottom-left: both triangles clockwise on screen.
    ColourVertex quad[4] = {
        {x1, y0, 0.0f, 1.0f, colour},
        {x1, y1, 0.0f, 1.0f, colour},
        {x0, y0, 0.0f, 1.0f, colour},
        {x0, y1, 0.0f, 1.0f, colour},
    };
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, quad);
}

void drawCellMark(int col, int row, std::uint32_t colour) {
    drawCellMarkAt(static_cast<float>(col), static_cast<float>(row), colour);
}

void drawCellMarkAt(float col, float row, std::uint32_t colour) {
    drawSolidRect(188.0f + 48.0f * col, 108.0f + 48.0f * row, 204.0f + 48.0f * col,
                  124.0f + 48.0f * row, colour);
}

void drawBoardAndQueues(const MatchState& state) {
    // Every cell, an empty one as a black glyph on the black backdrop (kept: black-cell).
    for (int row = 0; row < boardSize; ++row) {
        for (int col = 0; col < boardSize; ++col) {
            Element e = state.cell(row, col);
            drawText(176 + 48 * col, 96 + 48 * row, elementLabel[e], elementColour[e], 40, gameFace,
                     textLeftTop);
        }
    }
    // Both listings grow toward the middle: each queue's back, the next to fight, is innermost.
    int k = 0;
    for (Element e : state.queues[0]) {
        drawText(16 + 16 * k, 416, elementLabel[e], elementColour[e], 16, gameFace, textLeftTop);
        ++k;
    }
    k = 0;
    for (Element e : state.queues[1]) {
        drawText(624 - 16 * k, 416, elementLabel[e], elementColour[e], 16, gameFace, textLeftTop);
        ++k;
    }
}

void drawMatchScreen(const MatchState& state) {
    showingForHelp(HelpScene::Match);
    drawSolidRect(0.0f, 0.0f, 640.0f, 480.0f, backdropBlack);
    drawBoardAndQueues(state);
    drawText(240, 56, formatText(gameTexts().turnBanner, state.currentPlayer + 1), textWhite, 36,
             gameFace, textLeftTop);
    drawHitPointBar(0, state.hp[0]);
    drawHitPointBar(1, state.hp[1]);
    drawBackground(480, 176, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f);
    // Under 300 frames the timer blinks.
    bool blinkRed = timerBlinksRed(state.turnTimer);
    float seconds = static_cast<float>(state.turnTimer) / 60.0f;
    drawTextFormat(280, 24, blinkRed ? alarmRed : textWhite, 18, gameFace, textLeftTop,
                   gameTexts().timer, static_cast<double>(seconds));
}

} // namespace kokurin
