// The damage of the blocks that strike a player after a clash: 1.0 for the first block, 0.9 of
// the one before for each next, in single precision.
#pragma once

namespace kokurin {

class StrikeDamage {
  public:
    // The damage of the next block to strike.
    float next() {
        const float damage = term_;
        term_ *= 0.9f;
        return damage;
    }

  private:
    float term_ = 1.0f;
};

// The damage of n blocks together (0 when n <= 0): their damages summed in striking order.
float totalStrikeDamage(int n);

} // namespace kokurin
