// The ranked queue's rules, apart from the lobby's plumbing: who is paired with whom (each player
// accepts opponents within a window of rating points that widens the longer they wait), and
// which finished matches are rated.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "net/protocol.h"

namespace kokurin {

// Rating points a player accepts at first, and the widening every so often.
constexpr std::uint32_t rankedWindowStart = 100;
constexpr std::uint32_t rankedWindowStep = 50;
constexpr std::uint32_t rankedWindowEveryMs = 5000;
// The shortest match that is rated (ten seconds at 60 frames a second).
constexpr std::uint32_t shortestRatedFrames = 600;

struct RankedWaiter {
    std::uint64_t client = 0;
    std::int64_t player = 0;
    double rating = 0;
    // When the waiter joined the queue (the lobby's clock).
    std::uint32_t sinceMs = 0;
};

// The window of a player who has waited this long.
std::uint32_t rankedWindow(std::uint32_t waitedMs);

// The pairs to make now, taken out of `waiters`: the longest waiting first, each with the waiter
// whose rating is closest to theirs among those within both players' windows (ties: the one
// waiting longer). Two waiters with the same player are never paired.
std::vector<std::pair<RankedWaiter, RankedWaiter>> pairRankedWaiters(
    std::vector<RankedWaiter>& waiters, std::uint32_t nowMs);

// Whether a ranked room's finished match is rated, and why not: only the room's first match,
// a verdict that names a winner from games that did not part, at least shortestRatedFrames
// long, never one that reached the longest the server plays.
net::RatedOutcome rankedOutcome(net::MatchEnd how, int winner, std::uint32_t frames,
                                std::uint32_t matchNumber);

} // namespace kokurin
