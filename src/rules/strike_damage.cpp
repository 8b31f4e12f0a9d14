// The total of a run of strikes, summed exactly as the strikes themselves take the hit points.
#include "rules/strike_damage.h"

namespace kokurin {

float totalStrikeDamage(int n) {
    StrikeDamage damage;
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) {
        sum += damage.next();
    }
    return sum;
}

} // namespace kokurin
