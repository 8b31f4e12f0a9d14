// One match on screen: read input, step, play the step's sounds, draw. The frame pump reads the
// input (the local devices, a recording, a replay or the network) and shows what was drawn.
#include "screens/match_loop.h"

#include "input/frame_input.h"
#include "input/input_route.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "screens/hint.h"
#include "screens/match_view.h"
#include "screens/scene_redraw.h"
#include "sound/game_sounds.h"

namespace kokurin {

void ScreenMatchListener::sound(const SoundCue& cue) {
    playSoundCue(cue);
}

void ScreenMatchListener::hintAsked(const MatchState& state) {
    showHint(state, observer_);
}

void ScreenMatchListener::turnStarted(const MatchState& state) {
    if (observer_ != nullptr) {
        observer_->turnStarted(state);
    }
}

void ScreenMatchListener::swapMade(const MatchState& state, int firstCell, int secondCell) {
    if (observer_ != nullptr) {
        observer_->swapMade(state, firstCell, secondCell);
    }
}

void ScreenMatchListener::turnEnded(const MatchState& state, bool computer) {
    if (observer_ != nullptr) {
        observer_->turnEnded(state, computer);
    }
}

void ScreenMatchListener::cascadeSettled(const MatchState& state) {
    if (observer_ != nullptr) {
        observer_->cascadeSettled(state);
    }
}

void ScreenMatchListener::clashEnded(const MatchState& state) {
    if (observer_ != nullptr) {
        observer_->clashEnded(state);
    }
}

void ScreenMatchListener::winnerScreen(const MatchState& state) {
    if (observer_ != nullptr) {
        observer_->winnerScreen(state);
    }
}

std::uint32_t matchKeyHoldsNow() {
    std::int32_t counters[matchKeyCount];
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        counters[bit] = keyState[matchKeys[bit]];
    }
    return keyHoldsOfCounters(counters);
}

bool runMatch(Match& match, MatchObserver* observer) {
    ScreenMatchListener listener(observer);
    // A box the front end draws itself (the hint's) shows the match under it.
    const ScopedSceneRedraw scene(
        [](const void* shown) { drawMatch(*static_cast<const Match*>(shown)); }, &match);
    match.begin(listener);
    for (;;) {
        // In fast playback the frames between the shown ones are stepped and never drawn.
        if (match.over() || nextFrameShown()) {
            drawMatch(match);
        }
        if (match.over()) {
            return false;
        }
        if (pumpFrame()) {
            return true;
        }
        match.step(lastFrameInput(), listener);
    }
}

} // namespace kokurin
