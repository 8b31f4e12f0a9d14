// FNV-1a over the match's fields in a fixed order, little-endian, the same on every platform.
#include "match/state_hash.h"

#include <cstring>

namespace kokurin {

namespace {

class Fnv1a {
  public:
    void byte(std::uint8_t b) {
        value_ ^= b;
        value_ *= 16777619u;
    }
    void word(std::uint32_t w) {
        for (int shift = 0; shift < 32; shift += 8) {
            byte(static_cast<std::uint8_t>(w >> shift));
        }
    }
    void real(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        word(bits);
    }
    std::uint32_t value() const { return value_; }

  private:
    std::uint32_t value_ = 2166136261u;
};

} // namespace

std::uint32_t hashMatchState(const MatchState& state, const Sfmt19937& random) {
    Fnv1a h;
    for (Element cell : state.cells) {
        h.byte(static_cast<std::uint8_t>(cell));
    }
    for (const ClearedQueue& queue : state.queues) {
        h.word(static_cast<std::uint32_t>(queue.size()));
        for (Element element : queue) {
            h.byte(static_cast<std::uint8_t>(element));
        }
    }
    h.word(static_cast<std::uint32_t>(state.turnTimer));
    h.word(static_cast<std::uint32_t>(state.cursorCol));
    h.word(static_cast<std::uint32_t>(state.cursorRow));
    h.word(static_cast<std::uint32_t>(state.opponentType));
    h.real(state.hp[0]);
    h.real(state.hp[1]);
    h.byte(state.currentPlayer);
    h.word(static_cast<std::uint32_t>(random.index()));
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        h.word(random.word(i));
    }
    return h.value();
}

} // namespace kokurin
