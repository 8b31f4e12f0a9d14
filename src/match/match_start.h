// Everything a match depends on that carries over from before it began: the generator's state,
// entry 8's rotation count and the match keys' hold counters. A series of matches (a run of the
// game, a tournament's pairing, a test) keeps the generator and the count from one match to the
// next; each match starts from a copy of them, so a series' tenth match replays as exactly as its
// first, and two series never touch each other.
#pragma once

#include <cstdint>

#include "input/match_input.h"
#include "rng/sfmt19937.h"

namespace kokurin {

// Roster entries a replay may name (the title screen checks its roster has as many).
constexpr int replayOpponents = 16;

struct MatchStart {
    // The roster entry of the second seat (0: a second human).
    std::int32_t opponent = 0;
    // What the series seeded its generator with (shown and printed; the state below is what
    // counts).
    std::uint32_t seed = 0;
    std::int32_t rotation = 0;
    std::int32_t randomIndex = Sfmt19937::wordCount;
    std::uint32_t randomWords[Sfmt19937::wordCount] = {};
    // Two bits per match key, in bit order: 0 up, 1 pressed this frame, 2 held longer (longer
    // holds read the same from here on).
    std::uint32_t keyHolds = 0;
};

// What carries from one match of a series to the next: the generator, shared by every board
// fill, refill and computer turn of the series' matches in turn, and the count of computer turns
// that rotates entry 8 (kept: endless-rotation).
struct MatchSeries {
    Sfmt19937 random;
    std::int32_t rotation = 0;

    MatchSeries() { random.seed(1); }
    explicit MatchSeries(std::uint32_t seed) { random.seed(seed); }
};

// The start of the series' next match against `opponent`, the match keys held as given.
MatchStart nextMatchStart(const MatchSeries& series, int opponent, std::uint32_t keyHolds);
// The start of a match of its own, from a seed alone (a server's, a tool's): a fresh generator,
// no rotation, no key held.
MatchStart freshMatchStart(int opponent, std::uint32_t seed);
// Whether the start can be a real one (an index in range, no hold value of 3, an opponent on the
// roster): a match is made only from a start that is.
bool validMatchStart(const MatchStart& start);
// The generator of a start (valid ones only).
Sfmt19937 startGenerator(const MatchStart& start);

// The hold counters of the match keys for keys held down (FrameInput bits): held, never pressed,
// so that a key still down from a screen just left is not pressed again on the next.
std::uint32_t keyHoldsOfDown(std::uint16_t keysDown);
// The hold counters from per-key counters (0 up, 1 pressed, more held).
std::uint32_t keyHoldsOfCounters(const std::int32_t (&counters)[matchKeyCount]);

} // namespace kokurin
