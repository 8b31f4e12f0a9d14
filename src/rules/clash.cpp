// One encounter of the two queues' back elements under the five-phase overcoming cycle.
#include "rules/clash.h"

namespace kokurin {

bool overcomes(int x, int y) {
    return (y - x + 5) % 5 == 1;
}

bool clashStep(MatchState& state) {
    ClearedQueue& first = state.queues[0];
    ClearedQueue& second = state.queues[1];
    if (first.empty() || second.empty()) {
        return false;
    }
    int a = first.back();
    int b = second.back();
    if (a >= Yin || b >= Yin) {
        // Yin and yang take the other block with them whatever it is.
        first.popBack();
        second.popBack();
    } else if (overcomes(b, a)) {
        first.popBack();
    } else if (overcomes(a, b)) {
        second.popBack();
    } else {
        // Equal, or two steps apart in the cycle: both go.
        first.popBack();
        second.popBack();
    }
    return !first.empty() && !second.empty();
}

} // namespace kokurin
