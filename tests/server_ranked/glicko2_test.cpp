// The ratings against Glickman's own worked example of Glicko-2, and the properties the ranked
// queue leans on.
#include <gtest/gtest.h>

#include <cmath>

#include "ranking/glicko2.h"

namespace kokurin {
namespace ranking {

TEST(Glicko2, GlickmansWorkedExample) {
    // "Example of the Glicko-2 system": 1500 / 200 / 0.06 against 1400 / 30, 1550 / 100 and
    // 1700 / 300, winning the first and losing the others, with tau 0.5.
    const Glicko2Rating player{1500, 200, 0.06};
    const std::vector<Glicko2Game> games = {
        {{1400, 30, 0.06}, 1.0}, {{1550, 100, 0.06}, 0.0}, {{1700, 300, 0.06}, 0.0}};
    const Glicko2Rating after = updateRating(player, games, 0.5);
    EXPECT_NEAR(after.rating, 1464.06, 0.01);
    EXPECT_NEAR(after.deviation, 151.52, 0.01);
    // The example rounds the volatility to 0.05999.
    EXPECT_NEAR(after.volatility, 0.05999, 0.00001);
}

TEST(Glicko2, OneMatchMovesBothPlayersOppositeWaysAndIdleTimeWidensOnly) {
    const Glicko2Rating fresh = newPlayerRating();
    EXPECT_EQ(fresh.rating, 1500);
    EXPECT_EQ(fresh.deviation, 350);
    EXPECT_EQ(fresh.volatility, 0.06);
    Glicko2Rating winner, loser;
    rateMatch(fresh, fresh, 1.0, winner, loser);
    // Equal players: the same step up and down, and both less unsure.
    EXPECT_NEAR(winner.rating - 1500, 1500 - loser.rating, 1e-9);
    EXPECT_GT(winner.rating, 1600);
    EXPECT_LT(winner.deviation, 350);
    // An expected win moves a sure rating less than an upset moves it.
    const Glicko2Rating strong{1900, 60, 0.06};
    const Glicko2Rating weak{1300, 60, 0.06};
    Glicko2Rating expectedWin, upsetLoss, ignored;
    rateMatch(strong, weak, 1.0, expectedWin, ignored);
    rateMatch(strong, weak, 0.0, upsetLoss, ignored);
    EXPECT_LT(expectedWin.rating - strong.rating, strong.rating - upsetLoss.rating);

    const Glicko2Rating sure{1700, 50, 0.06};
    EXPECT_EQ(afterIdle(sure, idlePeriodMs - 1).deviation, 50);
    const Glicko2Rating away = afterIdle(sure, 2 * idlePeriodMs);
    EXPECT_NEAR(away.deviation, 173.7178 * std::sqrt(std::pow(50 / 173.7178, 2) + 2 * 0.06 * 0.06),
                1e-9);
    EXPECT_EQ(away.rating, 1700);
    EXPECT_EQ(afterIdle(sure, 1000000 * idlePeriodMs).deviation, maximumDeviation);
}

} // namespace ranking
} // namespace kokurin
