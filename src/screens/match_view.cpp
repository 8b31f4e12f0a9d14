// Every scene of a match, drawn in the order the game has always drawn it.
#include "screens/match_view.h"

#include "gfx/text_format.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "screens/bound_key_texts.h"
#include "screens/flash_options.h"
#include "screens/game_texts.h"
#include "screens/match_screen.h"
#include "screens/palette.h"

namespace kokurin {

namespace {

// The cells as the match screen draws them: 48-pixel squares from (176, 96).
constexpr PickGrid boardPicks{176, 96, 48, 48, boardSize, boardSize};
// The winner screen is one target: a press anywhere leaves it.
constexpr PickGrid winnerPicks{0, 0, screenWidth, screenHeight, 1, 1};

void drawWinnerTexts(const MatchState& state) {
    if (state.hp[0] > 0.0f) {
        drawText(240, 400, gameTexts().winner[0], textWhite, 36, gameFace, textLeftTop);
    }
    if (state.hp[1] > 0.0f) {
        drawText(240, 400, gameTexts().winner[1], textWhite, 36, gameFace, textLeftTop);
    }
    // The Japanese screen says nothing more; a language that does draws it last.
    if (gameTexts().winnerBack[0] != '\0') {
        drawText(240, 440, withBoundKeys(gameTexts().winnerBack), textWhite, 16, gameFace,
                 textLeftTop);
    }
}

} // namespace

void drawComputerCursor(const MatchState& state, const ComputerTurn& turn) {
    drawCellMark(state.cursorCol, state.cursorRow, cursorOrange);
    if (turn.markActive) {
        drawCellMark(turn.markX, turn.markY, selectionBlue);
    }
}

void drawMatch(const Match& match, const CursorPlace* cursor) {
    const MatchState& state = match.state();
    switch (match.phase()) {
    case MatchPhase::HumanTurn:
        drawMatchScreen(state);
        if (cursor != nullptr) {
            drawCellMarkAt(cursor->col, cursor->row, cursorOrange);
        } else {
            drawCellMark(state.cursorCol, state.cursorRow, cursorOrange);
        }
        if (match.selected()) {
            drawCellMark(match.selectedCol(), match.selectedRow(), selectionBlue);
        }
        offerPicks(boardPicks);
        return;
    case MatchPhase::ComputerTurn:
        drawMatchScreen(state);
        drawComputerCursor(state, match.computerTurn());
        return;
    case MatchPhase::CascadeHoles:
    case MatchPhase::CascadeRefilled:
    case MatchPhase::ClashPause:
    case MatchPhase::DamagePause:
        drawMatchScreen(state);
        return;
    case MatchPhase::Strike:
        drawMatchScreen(state);
        if (match.strikeFrame() == 0) {
            drawSolidRect(0.0f, 0.0f, 640.0f, 480.0f, strikeFlashColour());
        }
        return;
    case MatchPhase::Between:
        return;
    case MatchPhase::Winner:
        drawMatchScreen(state);
        drawWinnerTexts(state);
        offerPicks(winnerPicks);
        return;
    case MatchPhase::Over:
        if (match.leavesMatchScreen()) {
            drawMatchScreen(state);
        }
        return;
    }
}

} // namespace kokurin
