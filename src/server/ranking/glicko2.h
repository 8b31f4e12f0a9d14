// Glicko-2 ratings for ranked play: a rating, its deviation (how unsure the rating is) and the
// volatility (how erratic the player's results are). Every rated match is a rating period of
// one game for both players; time away from ranked play widens the deviation again, one
// no-game period for each whole idle period since the player's last rated match.
#pragma once

#include <cstdint>
#include <vector>

namespace kokurin {
namespace ranking {

struct Glicko2Rating {
    double rating = 1500.0;
    double deviation = 350.0;
    double volatility = 0.06;
};

// A new player: 1500 with a deviation of 350 and volatility 0.06.
Glicko2Rating newPlayerRating();

// The system constant: how far the volatility may move in one period. Glickman suggests 0.3 to
// 1.2; 0.5 keeps upsets from swinging ratings too far in a game of short matches.
constexpr double systemTau = 0.5;
// The deviation never grows past a new player's.
constexpr double maximumDeviation = 350.0;
// Idle time that counts as one rating period without games.
constexpr std::int64_t idlePeriodMs = 14LL * 24 * 60 * 60 * 1000;

struct Glicko2Game {
    Glicko2Rating opponent;
    // 1 win, 0.5 draw, 0 loss.
    double score = 0.0;
};

// The rating after one period with these games (none: only the deviation grows).
Glicko2Rating updateRating(const Glicko2Rating& player, const std::vector<Glicko2Game>& games,
                           double tau = systemTau);

// The rating as it stands after `idleMs` without rated games: one no-game period for each whole
// idlePeriodMs.
Glicko2Rating afterIdle(const Glicko2Rating& player, std::int64_t idleMs);

// Both players' ratings after one rated match between them (firstScore: 1 the first won, 0 the
// second won, 0.5 a draw), each against the other's rating from before the match.
void rateMatch(const Glicko2Rating& first, const Glicko2Rating& second, double firstScore,
               Glicko2Rating& firstAfter, Glicko2Rating& secondAfter);

} // namespace ranking
} // namespace kokurin
