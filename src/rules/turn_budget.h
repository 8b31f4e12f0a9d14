// The time a turn gets, in frames: 300 at equal hit points, more for the player who is behind.
#pragma once

namespace kokurin {

// Shared by the human and the computer: hit points below 1 count as 1.
int turnBudget(float ownHp, float otherHp);

} // namespace kokurin
