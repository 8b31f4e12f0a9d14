// Taking and putting back the state a match inherits from the process.
#include "replay/match_start.h"

#include "cpu/turn_setup.h"
#include "input/key_state.h"

namespace kokurin {

MatchStart captureMatchStart(int opponent, std::uint32_t seed) {
    MatchStart start;
    start.opponent = opponent;
    start.seed = seed;
    start.rotation = rotationCounter;
    start.randomIndex = sharedRandom.index();
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        start.randomWords[i] = sharedRandom.word(i);
    }
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        const std::int32_t held = keyState[matchKeys[bit]];
        const std::uint32_t hold = held <= 0 ? 0u : held == 1 ? 1u : 2u;
        start.keyHolds |= hold << (2 * bit);
    }
    return start;
}

bool restoreMatchStart(const MatchStart& start) {
    if (start.opponent < 0 || start.opponent >= replayOpponents) {
        return false;
    }
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        if (((start.keyHolds >> (2 * bit)) & 3u) == 3u) {
            return false;
        }
    }
    if (start.keyHolds >> (2 * matchKeyCount) != 0) {
        return false;
    }
    if (!sharedRandom.restore(start.randomWords, start.randomIndex)) {
        return false;
    }
    rotationCounter = start.rotation;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        keyState[matchKeys[bit]] = static_cast<std::int32_t>((start.keyHolds >> (2 * bit)) & 3u);
    }
    return true;
}

std::uint32_t keyHoldsOfDown(const bool down[keyboardKeys]) {
    // Held, not pressed: whatever pressed them has already had them.
    std::uint32_t holds = 0;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        holds |= (down[matchKeys[bit]] ? 2u : 0u) << (2 * bit);
    }
    return holds;
}

bool restoreOwnStart(const MatchStart& own, std::uint32_t keyHolds) {
    MatchStart back = own;
    back.keyHolds = keyHolds;
    return restoreMatchStart(back);
}

} // namespace kokurin
