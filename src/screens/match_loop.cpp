// One match: alternating turns, the shown cascade, the clash, the end test and the winner
// screen.
#include "screens/match_loop.h"

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "rules/board.h"
#include "screens/bound_key_texts.h"
#include "screens/clash_sequence.h"
#include "screens/computer_turn_screen.h"
#include "screens/frame_flow.h"
#include "screens/game_texts.h"
#include "screens/human_turn.h"
#include "screens/match_observer.h"
#include "screens/match_screen.h"
#include "screens/palette.h"
#include "sound/game_sounds.h"

namespace kokurin {

namespace {

constexpr int cascadePauseFrames = 30;

// Clears, shows the holes, lets the board fall and refill, shows it, until nothing clears.
// The cleared elements go to the mover's queue.
Flow showCascade(MatchState& state) {
    const ClearedQueue& queue = state.queues[state.currentPlayer];
    int heard = queue.size();
    for (int step = 0; clearLines(state, state.currentPlayer); ++step) {
        soundCellsCleared(state.currentPlayer, queue.begin() + heard, queue.size() - heard, step);
        heard = queue.size();
        const Flow holes = pauseFrames(state, cascadePauseFrames);
        if (holes != Flow::Go) {
            return holes;
        }
        applyGravity(state);
        refillBoard(state);
        const Flow settled = pauseFrames(state, cascadePauseFrames);
        if (settled != Flow::Go) {
            return settled;
        }
    }
    return Flow::Go;
}

// The winner screen: shown until SPACE or ESC is first pressed. A SPACE held from before the
// screen does not count.
bool showWinnerScreen(const MatchState& state) {
    if (MatchObserver* observer = matchObserver()) {
        observer->winnerScreen(state);
    }
    soundWinner(state.hp[0] > 0.0f ? 0 : 1);
    for (;;) {
        drawMatchScreen(state);
        if (keyPressed(keySpace)) {
            return false;
        }
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
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow != Flow::Go) {
            return quitting(flow);
        }
    }
}

} // namespace

bool runMatch(MatchState& state) {
    soundMatchBegins();
    for (;;) {
        if (MatchObserver* observer = matchObserver()) {
            observer->turnStarted(state);
        }
        if (computerPlaysTurn(state)) {
            if (playComputerTurn(state)) {
                return true;
            }
            if (MatchObserver* observer = matchObserver()) {
                observer->turnEnded(state, true);
            }
            // ESC inside the computer's turn ends only that turn; the match goes on
            // (kept: escape-step).
        } else {
            if (humanTurn(state)) {
                return true;
            }
            if (MatchObserver* observer = matchObserver()) {
                observer->turnEnded(state, false);
            }
            if (keyPressed(keyEscape)) {
                return false;
            }
        }

        const Flow cascade = showCascade(state);
        if (cascade != Flow::Go) {
            return quitting(cascade);
        }
        if (MatchObserver* observer = matchObserver()) {
            observer->cascadeSettled(state);
        }

        // ESC inside the clash ends only the clash; it may hand the turn to the other player
        // (kept: escape-step).
        if (resolveClash(state)) {
            return true;
        }
        if (MatchObserver* observer = matchObserver()) {
            observer->clashEnded(state);
        }

        if (state.hp[0] <= 0.0f || state.hp[1] <= 0.0f) {
            return showWinnerScreen(state);
        }

        // One bare frame between turns.
        const Flow between = pumpFrameThenCheckEscape();
        if (between != Flow::Go) {
            return quitting(between);
        }
    }
}

} // namespace kokurin
