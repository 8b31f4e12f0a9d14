// The animated clash after every turn: the queues fight step by step, then whatever is left of
// the opponent's queue strikes the mover block by block with a shrinking damage.
#include "screens/clash_sequence.h"

#include "input/key_state.h"
#include "platform/platform.h"
#include "rules/clash.h"
#include "screens/match_screen.h"

namespace kokurin {

namespace {

constexpr int clashStepFrames = 10;
constexpr int damagePauseFrames = 20;
constexpr int strikeFrames = 10;
constexpr std::uint32_t flashRed = 0xFFFF0000u;

// One struck block: ten frames of the match screen, the first one flashed red. Quit and ESC
// are tested after every frame exactly as in a pause.
PauseResult showStrike(const MatchState& state) {
    for (int frame = 0; frame < strikeFrames; ++frame) {
        drawMatchScreen(state);
        if (frame == 0) {
            drawSolidRect(0.0f, 0.0f, 640.0f, 480.0f, flashRed);
        }
        if (pumpFrame()) {
            return PauseResult::Quit;
        }
        if (keyPressed(keyEscape)) {
            return PauseResult::Escape;
        }
    }
    return PauseResult::Finished;
}

} // namespace

bool resolveClash(MatchState& state) {
    const int mover = state.currentPlayer;
    const int other = 1 - mover;

    // The step that empties a queue gets no pause of its own.
    while (clashStep(state)) {
        PauseResult pause = pauseFrames(state, clashStepFrames);
        if (pause != PauseResult::Finished) {
            return pause == PauseResult::Quit;
        }
    }

    // Nothing of the opponent's queue survived: the turn passes and the mover's survivors wait
    // as a stock the opponent must face next.
    if (state.queues[other].empty()) {
        state.currentPlayer = static_cast<std::uint8_t>(other);
        return false;
    }

    PauseResult pause = pauseFrames(state, damagePauseFrames);
    if (pause != PauseResult::Finished) {
        return pause == PauseResult::Quit;
    }

    // Each surviving block hits for 0.9 of the one before; the hit points are not clamped, so
    // every block strikes even after they have fallen to zero. The mover then plays again.
    float damage = 1.0f;
    while (!state.queues[other].empty()) {
        state.queues[other].popBack();
        state.hp[mover] -= damage;
        damage *= 0.9f;
        PauseResult strike = showStrike(state);
        if (strike != PauseResult::Finished) {
            return strike == PauseResult::Quit;
        }
    }
    return false;
}

} // namespace kokurin
