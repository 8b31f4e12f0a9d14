// The game's random generator: SFMT-19937 computed with plain 32-bit words. It produces numbers
// only; what they become (elements, choices) is decided by their users. Each series of matches
// holds one, and each match a copy of it.
#pragma once

#include <cstdint>

namespace kokurin {

class Sfmt19937 {
  public:
    static constexpr int wordCount = 624;

    // Initialises the state from s and certifies the period; nothing is drawn.
    void seed(std::uint32_t s);
    // Recomputes all 156 blocks in place; leaves the read position alone.
    void regenerate();
    // The next 32-bit output, regenerating first when the block is used up.
    std::uint32_t nextU32();
    // A uniform integer in [0, n) from one output: floor(n * u / 2^32), 1 <= n <= 630.
    int randomBelow(int n);

    // Puts back a state read with index() and word(): a replay continues the stream exactly.
    // False (and nothing changed) for an index outside 0 .. wordCount.
    bool restore(const std::uint32_t (&words)[wordCount], int index);

    // The value of the last seed (replays show it).
    std::uint32_t seededWith() const { return seed_; }

    // Read access for tests, diagnostics and replays.
    int index() const { return index_; }
    std::uint32_t word(int i) const { return state_[i]; }

  private:
    std::int32_t index_ = wordCount;
    std::uint32_t seed_ = 0;
    alignas(16) std::uint32_t state_[wordCount] = {};
};

} // namespace kokurin
