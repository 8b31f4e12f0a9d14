// Taking a match's start from its series, and checking a start read from a file or the network.
#include "match/match_start.h"

namespace kokurin {

namespace {

MatchStart startFrom(const Sfmt19937& random, std::int32_t rotation, int opponent,
                     std::uint32_t keyHolds) {
    MatchStart start;
    start.opponent = opponent;
    start.seed = random.seededWith();
    start.rotation = rotation;
    start.randomIndex = random.index();
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        start.randomWords[i] = random.word(i);
    }
    start.keyHolds = keyHolds;
    return start;
}

} // namespace

MatchStart nextMatchStart(const MatchSeries& series, int opponent, std::uint32_t keyHolds) {
    return startFrom(series.random, series.rotation, opponent, keyHolds);
}

MatchStart freshMatchStart(int opponent, std::uint32_t seed) {
    Sfmt19937 random;
    random.seed(seed);
    return startFrom(random, 0, opponent, 0);
}

bool validMatchStart(const MatchStart& start) {
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
    return start.randomIndex >= 0 && start.randomIndex <= Sfmt19937::wordCount;
}

Sfmt19937 startGenerator(const MatchStart& start) {
    Sfmt19937 random;
    random.seed(start.seed);
    random.restore(start.randomWords, start.randomIndex);
    return random;
}

std::uint32_t keyHoldsOfDown(std::uint16_t keysDown) {
    // Held, not pressed: whatever pressed them has already had them.
    std::uint32_t holds = 0;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        holds |= (((keysDown >> bit) & 1u) != 0 ? 2u : 0u) << (2 * bit);
    }
    return holds;
}

std::uint32_t keyHoldsOfCounters(const std::int32_t (&counters)[matchKeyCount]) {
    std::uint32_t holds = 0;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        const std::int32_t held = counters[bit];
        const std::uint32_t hold = held <= 0 ? 0u : held == 1 ? 1u : 2u;
        holds |= hold << (2 * bit);
    }
    return holds;
}

} // namespace kokurin
