// The animated clash after every turn: the queues fight step by step, then whatever is left of
// the opponent's queue strikes the mover block by block with a shrinking damage.
#include "screens/clash_sequence.h"

#include "rules/clash.h"
#include "rules/strike_damage.h"
#include "screens/flash_options.h"
#include "screens/frame_flow.h"
#include "screens/match_screen.h"
#include "screens/palette.h"
#include "sound/game_sounds.h"

namespace kokurin {

namespace {

constexpr int clashStepFrames = 10;
constexpr int damagePauseFrames = 20;
constexpr int strikeFrames = 10;

// One struck block: ten frames of the match screen, the first one flashed red. Quit and ESC
// are tested after every frame exactly as in a pause.
Flow showStrike(const MatchState& state) {
    for (int frame = 0; frame < strikeFrames; ++frame) {
        drawMatchScreen(state);
        if (frame == 0) {
            drawSolidRect(0.0f, 0.0f, 640.0f, 480.0f, strikeFlashColour());
        }
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow != Flow::Go) {
            return flow;
        }
    }
    return Flow::Go;
}

} // namespace

bool resolveClash(MatchState& state) {
    const int mover = state.currentPlayer;
    const int other = 1 - mover;

    // The step that empties a queue gets no pause of its own (kept: last-step).
    for (;;) {
        ClearedQueue& first = state.queues[0];
        ClearedQueue& second = state.queues[1];
        if (first.empty() || second.empty()) {
            break;
        }
        const Element a = first.back();
        const Element b = second.back();
        const int sizes = first.size() + second.size();
        const bool more = clashStep(state);
        soundClash(a, b, first.size() + second.size() == sizes - 2);
        if (!more) {
            break;
        }
        const Flow pause = pauseFrames(state, clashStepFrames);
        if (pause != Flow::Go) {
            return quitting(pause);
        }
    }

    // Nothing of the opponent's queue survived: the turn passes and the mover's survivors wait
    // as a stock the opponent must face next.
    if (state.queues[other].empty()) {
        state.currentPlayer = static_cast<std::uint8_t>(other);
        soundTurnPassed();
        return false;
    }

    const Flow pause = pauseFrames(state, damagePauseFrames);
    if (pause != Flow::Go) {
        return quitting(pause);
    }

    // Each surviving block hits for 0.9 of the one before; the hit points are not clamped, so
    // every block strikes even after they have fallen to zero (kept: unclamped). The mover then
    // plays again.
    StrikeDamage damage;
    while (!state.queues[other].empty()) {
        state.queues[other].popBack();
        const float hit = damage.next();
        state.hp[mover] -= hit;
        soundStrike(hit);
        const Flow strike = showStrike(state);
        if (strike != Flow::Go) {
            return quitting(strike);
        }
    }
    return false;
}

} // namespace kokurin
