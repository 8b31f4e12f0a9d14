// One match: alternating turns, the shown cascade, the clash, the end test and the winner
// screen; the human turn with its cursor and selection; the hint that tries every exchange.
#include "screens/match_loop.h"

#include <cstring>

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "rules/board.h"
#include "rules/turn_budget.h"
#include "screens/clash_sequence.h"
#include "screens/computer_turn_screen.h"
#include "screens/match_observer.h"
#include "screens/match_screen.h"

namespace kokurin {

namespace {

constexpr int cascadePauseFrames = 30;
constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint32_t cursorOrange = 0xFFFF8000u;
constexpr std::uint32_t selectionBlue = 0xFF0000FFu;

// What a cascade pause or the cascade as a whole ended with.
enum class Outcome { Go, Quit, Abandon };

Outcome outcomeOf(PauseResult pause) {
    switch (pause) {
    case PauseResult::Quit:
        return Outcome::Quit;
    case PauseResult::Escape:
        return Outcome::Abandon;
    case PauseResult::Finished:
        break;
    }
    return Outcome::Go;
}

// Clears, shows the holes, lets the board fall and refill, shows it, until nothing clears.
// The cleared elements go to the mover's queue.
Outcome showCascade(MatchState& state) {
    while (clearLines(state, state.currentPlayer)) {
        Outcome holes = outcomeOf(pauseFrames(state, cascadePauseFrames));
        if (holes != Outcome::Go) {
            return holes;
        }
        applyGravity(state);
        refillBoard(state);
        Outcome settled = outcomeOf(pauseFrames(state, cascadePauseFrames));
        if (settled != Outcome::Go) {
            return settled;
        }
    }
    return Outcome::Go;
}

// The winner screen: shown until SPACE or ESC is first pressed. A SPACE held from before the
// screen does not count.
bool showWinnerScreen(const MatchState& state) {
    if (MatchObserver* observer = matchObserver()) {
        observer->winnerScreen(state);
    }
    for (;;) {
        drawMatchScreen(state);
        if (keyPressed(keySpace)) {
            return false;
        }
        if (state.hp[0] > 0.0f) {
            drawText(240, 400, "1Pのかち", white, 36, gameFace, 0);
        }
        if (state.hp[1] > 0.0f) {
            drawText(240, 400, "2Pのかち", white, 36, gameFace, 0);
        }
        if (pumpFrame()) {
            return true;
        }
        if (keyPressed(keyEscape)) {
            return false;
        }
    }
}

int cellIndex(int col, int row) {
    return row * boardSize + col;
}

} // namespace

bool runMatch(MatchState& state) {
    for (;;) {
        if (MatchObserver* observer = matchObserver()) {
            observer->turnStarted(state);
        }
        if (state.currentPlayer == 1 && state.opponentType != 0) {
            if (playComputerTurn(state)) {
                return true;
            }
            if (MatchObserver* observer = matchObserver()) {
                observer->turnEnded(state, true);
            }
            // ESC inside the computer's turn ends only that turn; the match goes on.
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

        Outcome cascade = showCascade(state);
        if (cascade != Outcome::Go) {
            return cascade == Outcome::Quit;
        }
        if (MatchObserver* observer = matchObserver()) {
            observer->cascadeSettled(state);
        }

        // ESC inside the clash ends only the clash; it may hand the turn to the other player.
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
        if (pumpFrame()) {
            return true;
        }
        if (keyPressed(keyEscape)) {
            return false;
        }
    }
}

bool humanTurn(MatchState& state) {
    const int self = state.currentPlayer;
    const int* keys = playerKeys[self];

    // The player who is behind gets more time.
    state.turnTimer = turnBudget(state.hp[self], state.hp[1 - self]);
    // A budget of no frames is no turn at all (hit points cannot give a negative one).
    if (state.turnTimer <= 0) {
        state.turnTimer = -1;
        return false;
    }

    bool selected = false;
    int selectedCol = 0;
    int selectedRow = 0;

    for (;;) {
        --state.turnTimer;

        if (keyPressed(keyH)) {
            showHint(state);
        }

        // The cursor wraps at every edge; opposite keys in one frame cancel.
        if (keyPressed(keys[keyLeftIndex])) {
            state.cursorCol = (state.cursorCol + 5) % boardSize;
        }
        if (keyPressed(keys[keyRightIndex])) {
            state.cursorCol = (state.cursorCol + 1) % boardSize;
        }
        if (keyPressed(keys[keyUpIndex])) {
            state.cursorRow = (state.cursorRow + 5) % boardSize;
        }
        if (keyPressed(keys[keyDownIndex])) {
            state.cursorRow = (state.cursorRow + 1) % boardSize;
        }

        if (keyPressed(keys[keySelectIndex])) {
            if (!selected) {
                selected = true;
                selectedCol = state.cursorCol;
                selectedRow = state.cursorRow;
            } else if (selectedCol != state.cursorCol || selectedRow != state.cursorRow) {
                // Any two cells may be exchanged; the exchange stands even if nothing clears.
                int first = cellIndex(selectedCol, selectedRow);
                int second = cellIndex(state.cursorCol, state.cursorRow);
                Element held = state.cells[first];
                state.cells[first] = state.cells[second];
                state.cells[second] = held;
                if (MatchObserver* observer = matchObserver()) {
                    observer->swapMade(state, first, second);
                }
                return false;
            } else {
                selected = false;
            }
        }

        drawMatchScreen(state);
        drawCellMark(state.cursorCol, state.cursorRow, cursorOrange);
        if (selected) {
            drawCellMark(selectedCol, selectedRow, selectionBlue);
        }
        if (pumpFrame()) {
            return true;
        }
        if (keyPressed(keyEscape)) {
            return false;
        }
        // Time out: the last frame was shown with 0 left; no exchange is made.
        if (state.turnTimer == 0) {
            state.turnTimer = -1;
            return false;
        }
    }
}

const char* hintText(const MatchState& state) {
    const int mover = state.currentPlayer;
    const int other = 1 - mover;

    // One scratch record serves all 630 simulations: the copy reuses its queues' storage.
    MatchState scratch;
    int bestScore = -256;
    int bestEmpty = 0;
    int bestFirst = -1;
    int bestSecond = -1;

    for (int i = 0; i < cellCount - 1; ++i) {
        for (int j = i + 1; j < cellCount; ++j) {
            copyForSimulation(state, scratch);
            swapAndSettle(scratch, mover, i % boardSize, i / boardSize, j % boardSize,
                          j / boardSize);
            int empty = countEmptyCells(scratch);
            int score = scratch.queues[mover].size() - scratch.queues[other].size();
            // Ties keep the pair met first unless the later one clears more cells.
            if (score > bestScore || (score == bestScore && empty > bestEmpty)) {
                bestScore = score;
                bestEmpty = empty;
                bestFirst = i;
                bestSecond = j;
            }
        }
    }

    // Only an opponent's stock of 256 or more that no exchange can reduce leaves no pair.
    if (bestFirst < 0) {
        return "よい入れ替えが見つかりません";
    }
    return formatText("(%d,%d)-(%d,%d)", bestFirst % boardSize + 1, bestFirst / boardSize + 1,
                      bestSecond % boardSize + 1, bestSecond / boardSize + 1);
}

void showHint(const MatchState& state) {
    // Kept apart from the shared format buffer, which an observer's own formatting would reuse.
    char text[textBufferSize];
    std::strncpy(text, hintText(state), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    if (MatchObserver* observer = matchObserver()) {
        observer->hintShown(state, text);
    }
    showMessageBox(text);
}

} // namespace kokurin
