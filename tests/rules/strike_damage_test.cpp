// The damage of striking blocks: the single-precision series the clash takes hit points by, and
// its total, which the computer's survivor reckons with.
#include <gtest/gtest.h>

#include "rules/strike_damage.h"

using namespace kokurin;

TEST(StrikeDamage, EachBlockHitsForNineTenthsOfTheOneBeforeInSinglePrecision) {
    StrikeDamage damage;
    float expected = 1.0f;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(damage.next(), expected) << "block " << i;
        expected *= 0.9f;
    }
}

TEST(StrikeDamage, TotalOfNBlocksIsTheirSeriesSummedInOrder) {
    EXPECT_EQ(totalStrikeDamage(0), 0.0f);
    EXPECT_EQ(totalStrikeDamage(-3), 0.0f);
    EXPECT_EQ(totalStrikeDamage(1), 1.0f);
    EXPECT_FLOAT_EQ(totalStrikeDamage(2), 1.9f);
    EXPECT_FLOAT_EQ(totalStrikeDamage(3), 2.71f);
    EXPECT_NEAR(totalStrikeDamage(200), 10.0f, 1e-4f);
    StrikeDamage damage;
    float sum = 0.0f;
    for (int n = 1; n <= 30; ++n) {
        sum += damage.next();
        EXPECT_EQ(totalStrikeDamage(n), sum) << n;
    }
}
