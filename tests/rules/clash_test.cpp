// The five-phase clash rule, one encounter at a time.
#include <gtest/gtest.h>

#include "rules/clash.h"
#include "support/boards.h"

using namespace kokurin;

using namespace testing_support;

namespace {

// Which backs are removed by one step: "P1", "P2" or "both".
std::string outcome(int a, int b) {
    MatchState s;
    s.queues[0].pushBack(static_cast<Element>(a));
    s.queues[1].pushBack(static_cast<Element>(b));
    clashStep(s);
    bool firstGone = s.queues[0].empty();
    bool secondGone = s.queues[1].empty();
    if (firstGone && secondGone) {
        return "both";
    }
    return firstGone ? "P1" : "P2";
}

} // namespace

TEST(ClashStep, FollowsTheOvercomingTableForAllPairs) {
    // Rows: player 1's back; columns: player 2's back (fire, metal, wood, earth, water).
    const char* table[5][5] = {
        {"both", "P2", "both", "both", "P1"}, {"P1", "both", "P2", "both", "both"},
        {"both", "P1", "both", "P2", "both"}, {"both", "both", "P1", "both", "P2"},
        {"P2", "both", "both", "P1", "both"},
    };
    for (int a = 1; a <= 5; ++a) {
        for (int b = 1; b <= 5; ++b) {
            EXPECT_EQ(outcome(a, b), table[a - 1][b - 1]) << "a " << a << " b " << b;
        }
    }
    for (int other = 1; other <= 7; ++other) {
        EXPECT_EQ(outcome(Yin, other), "both");
        EXPECT_EQ(outcome(other, Yang), "both");
    }
}

TEST(ClashStep, OnlyBackElementsFightAndTheResultTellsWhetherBothRemain) {
    // Fire, water against metal: water and metal are two apart, both go; player 2 is empty.
    MatchState s;
    s.queues[0] = queueFrom("15");
    s.queues[1] = queueFrom("2");
    EXPECT_FALSE(clashStep(s));
    EXPECT_EQ(queueDigits(s.queues[0]), "1");
    EXPECT_TRUE(s.queues[1].empty());

    // Fire beats metal and stays to meet the next block.
    MatchState t;
    t.queues[0] = queueFrom("1");
    t.queues[1] = queueFrom("32");
    EXPECT_TRUE(clashStep(t));
    EXPECT_EQ(queueDigits(t.queues[0]), "1");
    EXPECT_EQ(queueDigits(t.queues[1]), "3");
}

TEST(ClashStep, EmptyQueueOnEntryChangesNothing) {
    MatchState s;
    s.queues[0] = queueFrom("123");
    EXPECT_FALSE(clashStep(s));
    EXPECT_EQ(queueDigits(s.queues[0]), "123");
    MatchState t;
    t.queues[1] = queueFrom("4");
    EXPECT_FALSE(clashStep(t));
    EXPECT_EQ(queueDigits(t.queues[1]), "4");
}
