// Line clearing, gravity, fill and refill on prepared boards.
#include <gtest/gtest.h>

#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "support/boards.h"
#include "support/match_driver.h"

using namespace kokurin;

using namespace testing_support;

TEST(ClearLines, RunsOfFourAndFiveClearWhole) {
    MatchState s = boardFrom("111113"
                             "234523"
                             "345134"
                             "452345"
                             "523452"
                             "134513");
    EXPECT_TRUE(clearLines(s, 0));
    EXPECT_EQ(boardDigits(s).substr(0, 6), "000003");
    EXPECT_EQ(queueDigits(s.queues[0]), "11111");

    MatchState four = boardFrom("222214"
                                "345123"
                                "512345"
                                "234512"
                                "451234"
                                "123451");
    EXPECT_TRUE(clearLines(four, 1));
    EXPECT_EQ(boardDigits(four).substr(0, 6), "000014");
    EXPECT_EQ(queueDigits(four.queues[1]), "2222");
    EXPECT_TRUE(four.queues[0].empty());
}

TEST(ClearLines, LAndTShapesClearSharedCellOnce) {
    // A T: row 2 columns 1..3 are 4, and column 2 rows 2..4 are 4.
    MatchState s = boardFrom("123512"
                             "351235"
                             "244413"
                             "314231"
                             "134512"
                             "512351");
    EXPECT_TRUE(clearLines(s, 0));
    EXPECT_EQ(s.queues[0].size(), 5);
    EXPECT_EQ(queueDigits(s.queues[0]), "44444");
    EXPECT_EQ(boardDigits(s), "123512"
                              "351235"
                              "200013"
                              "310231"
                              "130512"
                              "512351");
}

TEST(ClearLines, TwoLinesAreCollectedBottomRowFirstLeftToRight) {
    // A horizontal line of 3 (fire) in row 1, columns 3..5, and a vertical line of water in
    // column 0, rows 3..5. Collection runs row 5 .. row 0, left to right.
    MatchState s = boardFrom("234523"
                             "452111"
                             "324534"
                             "523423"
                             "534234"
                             "542342");
    EXPECT_TRUE(clearLines(s, 0));
    EXPECT_EQ(queueDigits(s.queues[0]), "555111");
    // The back (first to fight) is the rightmost cleared cell of the topmost row.
    EXPECT_EQ(s.queues[0].back(), Fire);
}

TEST(ClearLines, QueueOrderIsByCellNotByLine) {
    // Two vertical lines side by side of different elements: interleaved row by row.
    MatchState s = boardFrom("123451"
                             "345123"
                             "532345"
                             "534512"
                             "531234"
                             "123451");
    EXPECT_TRUE(clearLines(s, 1));
    EXPECT_EQ(queueDigits(s.queues[1]), "535353");
}

TEST(ClearLines, NoLineChangesNothingAndMinusOneRecordsNothing) {
    MatchState s = boardFrom(quietBoard());
    EXPECT_FALSE(clearLines(s, 0));
    EXPECT_EQ(boardDigits(s), boardDigits(boardFrom(quietBoard())));
    EXPECT_TRUE(s.queues[0].empty());

    MatchState t = boardFrom("333451"
                             "345123"
                             "512345"
                             "234512"
                             "451234"
                             "123451");
    EXPECT_TRUE(clearLines(t, -1));
    EXPECT_EQ(boardDigits(t).substr(0, 3), "000");
    EXPECT_TRUE(t.queues[0].empty());
    EXPECT_TRUE(t.queues[1].empty());
}

TEST(ClearLines, EmptyCellsNeverFormALineButYinYangAndLongRunsDo) {
    MatchState s;
    EXPECT_FALSE(clearLines(s, 0));
    MatchState y = boardFrom("666666"
                             "777777"
                             "512345"
                             "234512"
                             "451234"
                             "123451");
    EXPECT_TRUE(clearLines(y, 0));
    EXPECT_EQ(queueDigits(y.queues[0]), "777777666666");
}

TEST(ApplyGravity, ColumnFallsKeepingOrder) {
    MatchState s;
    const int column[6] = {3, 0, 5, 0, 0, 1};
    for (int r = 0; r < 6; ++r) {
        s.cell(r, 2) = static_cast<Element>(column[r]);
    }
    s.cell(0, 4) = Wood;
    applyGravity(s);
    const int expected[6] = {0, 0, 0, 3, 5, 1};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(s.cell(r, 2), expected[r]) << "row " << r;
    }
    EXPECT_EQ(s.cell(5, 4), Wood);
    EXPECT_EQ(s.cell(0, 4), None);
    EXPECT_TRUE(s.queues[0].empty());
}

TEST(FillBoard, FullNoLineNoQueueAndDrawsInRowMajorOrder) {
    for (std::uint32_t seed : {1u, 2u, 77u, 1234u, 99999u}) {
        testRandom().seed(seed);
        Sfmt19937 shadow = testRandom();
        MatchState s;
        fillBoard(s);
        EXPECT_EQ(countEmptyCells(s), 0);
        EXPECT_FALSE(boardHasLine(s));
        EXPECT_TRUE(s.queues[0].empty());
        EXPECT_TRUE(s.queues[1].empty());

        // Replay: 36 draws row-major, then each cleared cell redrawn in row-major order.
        MatchState replay;
        for (Element& c : replay.cells) {
            c = newElement(shadow);
        }
        while (clearLines(replay, -1)) {
            for (Element& c : replay.cells) {
                if (c == None) {
                    c = newElement(shadow);
                }
            }
        }
        EXPECT_EQ(boardDigits(s), boardDigits(replay));
        EXPECT_EQ(testRandom().nextU32(), shadow.nextU32());
    }
}

TEST(RefillBoard, OneDrawPerEmptyCellInRowMajorOrder) {
    testRandom().seed(5);
    Sfmt19937 shadow = testRandom();
    MatchState s = boardFrom(quietBoard());
    s.cells[3] = None;
    s.cells[20] = None;
    s.cells[35] = None;
    refillBoard(s);
    EXPECT_EQ(s.cells[3], newElement(shadow));
    EXPECT_EQ(s.cells[20], newElement(shadow));
    EXPECT_EQ(s.cells[35], newElement(shadow));
    EXPECT_EQ(testRandom().nextU32(), shadow.nextU32());
}

TEST(ElementDraw, IsOneToFiveAndUsesOneOutput) {
    Sfmt19937 g;
    g.seed(4321);
    Sfmt19937 shadow = g;
    int counts[8] = {};
    for (int i = 0; i < 10000; ++i) {
        std::uint32_t u = shadow.nextU32();
        Element e = newElement(g);
        ASSERT_GE(e, Fire);
        ASSERT_LE(e, Water);
        // 1 - trunc(u * -5 * 2^-32) in double precision.
        ASSERT_EQ(static_cast<int>(e), 1 - static_cast<int>(u * -1.1641532182693481e-9));
        ++counts[e];
    }
    for (int e = Fire; e <= Water; ++e) {
        EXPECT_GT(counts[e], 1700);
    }
}
