// Pairing scans the waiters oldest first, so the one who has waited longest is served first and
// a newcomer never jumps ahead of them for the same opponent.
#include "ranked_queue.h"

#include <algorithm>
#include <cmath>

namespace kokurin {

std::uint32_t rankedWindow(std::uint32_t waitedMs) {
    return rankedWindowStart + rankedWindowStep * (waitedMs / rankedWindowEveryMs);
}

std::vector<std::pair<RankedWaiter, RankedWaiter>> pairRankedWaiters(
    std::vector<RankedWaiter>& waiters, std::uint32_t nowMs) {
    std::stable_sort(waiters.begin(), waiters.end(), [](const RankedWaiter& a, const RankedWaiter& b) {
        return a.sinceMs < b.sinceMs;
    });
    std::vector<std::pair<RankedWaiter, RankedWaiter>> pairs;
    std::vector<bool> taken(waiters.size(), false);
    for (std::size_t i = 0; i < waiters.size(); ++i) {
        if (taken[i]) {
            continue;
        }
        const RankedWaiter& a = waiters[i];
        const double windowA = rankedWindow(nowMs - a.sinceMs);
        std::size_t best = waiters.size();
        double bestGap = 0;
        for (std::size_t j = i + 1; j < waiters.size(); ++j) {
            const RankedWaiter& b = waiters[j];
            if (taken[j] || b.player == a.player) {
                continue;
            }
            const double gap = std::fabs(a.rating - b.rating);
            if (gap > windowA || gap > rankedWindow(nowMs - b.sinceMs)) {
                continue;
            }
            // Oldest first, so the first of equal gaps has waited longest.
            if (best == waiters.size() || gap < bestGap) {
                best = j;
                bestGap = gap;
            }
        }
        if (best != waiters.size()) {
            taken[i] = true;
            taken[best] = true;
            pairs.emplace_back(a, waiters[best]);
        }
    }
    std::vector<RankedWaiter> left;
    for (std::size_t i = 0; i < waiters.size(); ++i) {
        if (!taken[i]) {
            left.push_back(waiters[i]);
        }
    }
    waiters.swap(left);
    return pairs;
}

net::RatedOutcome rankedOutcome(net::MatchEnd how, int winner, std::uint32_t frames,
                                std::uint32_t matchNumber) {
    if (matchNumber > 1) {
        return net::RatedOutcome::Rematch;
    }
    if (how == net::MatchEnd::Diverged) {
        return net::RatedOutcome::Parted;
    }
    if (how == net::MatchEnd::TooLong) {
        return net::RatedOutcome::TooLong;
    }
    if (winner != 0 && winner != 1) {
        return net::RatedOutcome::NoWinner;
    }
    if (frames < shortestRatedFrames) {
        return net::RatedOutcome::TooShort;
    }
    return net::RatedOutcome::Rated;
}

} // namespace kokurin
