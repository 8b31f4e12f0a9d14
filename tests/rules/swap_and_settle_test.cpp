// The silent exchange-and-settle: cascade without refill, then the clash steps.
#include <gtest/gtest.h>

#include "rules/board.h"
#include "support/boards.h"

using namespace kokurin;

using namespace testing_support;

TEST(SwapAndSettle, SwapWithoutLineStaysAndReturnsTheQueueAfterTheClash) {
    MatchState s = boardFrom(quietBoard());
    s.queues[0] = queueFrom("12");
    s.queues[1] = queueFrom("3");
    // Metal (back of player 1) beats wood: player 2 is emptied, player 1 keeps both.
    ClearedQueue result = swapAndSettle(s, 0, 0, 0, 5, 5);
    EXPECT_EQ(s.cell(0, 0), 1);
    EXPECT_EQ(s.cell(5, 5), 1);
    EXPECT_EQ(s.cell(0, 1), 2);
    EXPECT_EQ(countEmptyCells(s), 0);
    EXPECT_EQ(queueDigits(result), "12");
    EXPECT_TRUE(s.queues[1].empty());

    MatchState t = boardFrom(quietBoard());
    swapAndSettle(t, 1, 0, 0, 1, 0);
    EXPECT_EQ(t.cell(0, 0), 2);
    EXPECT_EQ(t.cell(0, 1), 1);
}

TEST(SwapAndSettle, SameCellTwiceIsASilentSettle) {
    MatchState s = boardFrom(quietBoard());
    std::string before = boardDigits(s);
    ClearedQueue result = swapAndSettle(s, 1, 3, 3, 3, 3);
    EXPECT_EQ(boardDigits(s), before);
    EXPECT_TRUE(result.empty());
}

TEST(SwapAndSettle, ClearedCellsEndEmptyAtTheTopWithoutRefill) {
    // Exchanging (col 0, row 0) with (col 2, row 1) completes a vertical metal line in column 0.
    MatchState s = boardFrom("533514"
                             "212134"
                             "245152"
                             "124324"
                             "212554"
                             "221122");
    ClearedQueue result = swapAndSettle(s, 0, 0, 0, 2, 1);
    EXPECT_EQ(queueDigits(result), "222");
    EXPECT_EQ(boardDigits(s), "033514"
                              "015134"
                              "045152"
                              "124324"
                              "212554"
                              "221122");
}

TEST(SwapAndSettle, GravityCanChainASecondClearIntoTheSameQueue) {
    // Row 3 holds a fire line; when it clears, column 0's two waters fall onto the water of
    // row 4 and form a second line in the same settle.
    MatchState s = boardFrom("234523"
                             "512345"
                             "534512"
                             "111234"
                             "523451"
                             "345123");
    ClearedQueue result = swapAndSettle(s, 1, 4, 4, 4, 4);
    EXPECT_EQ(queueDigits(result), "111555");
    EXPECT_EQ(countEmptyCells(s), 6);
}

TEST(SwapAndSettle, ClashRunsUntilAQueueIsEmpty) {
    MatchState s = boardFrom(quietBoard());
    s.queues[0] = queueFrom("111");
    s.queues[1] = queueFrom("55");
    ClearedQueue result = swapAndSettle(s, 1, 2, 2, 2, 2);
    // Water overcomes fire three times; player 2 keeps both waters.
    EXPECT_TRUE(s.queues[0].empty());
    EXPECT_EQ(queueDigits(result), "55");
}

TEST(SwapAndSettle, LongLinesOfYinAndYangQueueLikeAnyOther) {
    MatchState s = boardFrom("666666"
                             "777777"
                             "512345"
                             "234512"
                             "451234"
                             "123451");
    ClearedQueue result = swapAndSettle(s, 0, 0, 5, 0, 5);
    EXPECT_EQ(queueDigits(result), "777777666666");
    EXPECT_EQ(countEmptyCells(s), 12);
}
