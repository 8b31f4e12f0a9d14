// The measures of the maximising personalities, formed in 64 bits and saturated, so that a freak
// queue thousands long cannot overflow them.
#include "cpu/scores.h"

#include <cstdint>
#include <limits>

namespace kokurin {

namespace {

int clampScore(std::int64_t score) {
    if (score > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (score < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(score);
}

} // namespace

int plannerScore(const SwapOutcome& o) {
    std::int64_t lead = o.queueLead;
    return clampScore(lead * (lead < 0 ? 4 : o.kindCount) + 2 * std::int64_t{o.emptyCells});
}

int leadFirstScore(const SwapOutcome& o) {
    return clampScore(256 * std::int64_t{o.queueLead} + o.emptyCells);
}

int kindsFirstScore(const SwapOutcome& o) {
    return clampScore(65536 * std::int64_t{o.kindCount} + 256 * std::int64_t{o.queueLead} +
                      o.emptyCells);
}

// Rewards queues of the rarest element and its predecessor; while the own queue would not
// survive, fewer losses and more cleared cells count, otherwise fewer cleared cells.
int rareElementScore(const SwapOutcome& o, Element major, Element minor) {
    std::int64_t tally = 0;
    for (Element v : o.ownQueue) {
        tally += (v == major ? 4 : 0) + (v == minor ? 1 : 0);
    }
    std::int64_t lead = o.queueLead;
    std::int64_t empties = lead <= 0 ? o.emptyCells : -std::int64_t{o.emptyCells};
    return clampScore(65536 * tally + 256 * (lead < 0 ? lead : 0) + empties);
}

int queueChanges(const ClearedQueue& q) {
    int changes = 0;
    for (int i = 1; i < q.size(); ++i) {
        if (q[i] != q[i - 1]) {
            ++changes;
        }
        if (i >= 2 && q[i] != q[i - 2] && q[i - 2] != q[i - 1]) {
            ++changes;
        }
    }
    return changes;
}

int alternationScore(const SwapOutcome& o) {
    return clampScore(256 * std::int64_t{queueChanges(o.ownQueue)} + o.queueLead);
}

} // namespace kokurin
