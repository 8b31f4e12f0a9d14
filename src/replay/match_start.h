// Everything a match depends on that carries over from before it began: the shared generator's
// state, entry 8's rotation count and the match keys' hold counters. Taken when a match starts,
// put back to replay it, so that a process's tenth match replays as exactly as its first.
#pragma once

#include <cstdint>

#include "input/frame_input.h"
#include "rng/sfmt19937.h"

namespace kokurin {

// Roster entries a replay may name (the title screen checks its roster has as many).
constexpr int replayOpponents = 16;

struct MatchStart {
    // The roster entry of the second seat (0: a second human).
    std::int32_t opponent = 0;
    // What the process seeded its generator with (shown and printed; the state below is what
    // counts).
    std::uint32_t seed = 0;
    std::int32_t rotation = 0;
    std::int32_t randomIndex = Sfmt19937::wordCount;
    std::uint32_t randomWords[Sfmt19937::wordCount] = {};
    // Two bits per match key, in matchKeys order: 0 up, 1 pressed this frame, 2 held longer
    // (longer holds read the same from here on).
    std::uint32_t keyHolds = 0;
};

MatchStart captureMatchStart(int opponent, std::uint32_t seed);
// False, with nothing changed, when the start cannot be a real one (an index out of range, a
// hold value of 3, an opponent outside the roster).
bool restoreMatchStart(const MatchStart& start);
// The hold counters of the match keys for keys the local devices hold down: held (never
// pressed), so that a key still down from a screen just left is not pressed again on the next.
std::uint32_t keyHoldsOfDown(const bool down[keyboardKeys]);
// Puts a process's own start back after another match's (a replay's, the server's): its
// generator and rotation count, with the given key holds, as the local devices have the keys
// now (the other match's key table came from its own frames).
bool restoreOwnStart(const MatchStart& own, std::uint32_t keyHolds);

} // namespace kokurin
