// Turn budget: the fourth root of the hit-point ratio, in double, scaled in single precision.
#include "rules/turn_budget.h"

#include <cmath>

namespace kokurin {

int turnBudget(float ownHp, float otherHp) {
    float own = ownHp < 1.0f ? 1.0f : ownHp;
    float other = otherHp < 1.0f ? 1.0f : otherHp;
    float ratio = other / own;
    float root = static_cast<float>(std::pow(static_cast<double>(ratio), 0.25));
    float frames = root * 300.0f;
    return static_cast<int>(frames);
}

} // namespace kokurin
