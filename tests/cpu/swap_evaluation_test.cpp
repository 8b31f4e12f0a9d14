// The computer's look-ahead on prepared boards: cells cleared, queue lead, kinds, own queue.
#include <gtest/gtest.h>

#include <numeric>

#include "cpu/swap_evaluation.h"
#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "support/boards.h"
#include "support/match_driver.h"
#include "computer_turn_fixture.h"

using namespace kokurin;

using namespace testing_support;
using namespace cpu_testing;

namespace {

// Puts the candidate a*36+b at position 0 of the candidate list.
void candidateAtZero(int a, int b) {
    swapCandidates.assign(1, a * 36 + b);
}

} // namespace

TEST(EvaluateSwap, NoClearGivesEmptyResultsAndMinusTheOtherQueue) {
    MatchState s = boardFrom(quietBoard());
    s.currentPlayer = 1;
    s.queues[0] = queueFrom("2341");
    candidateAtZero(0, 35);
    SwapOutcome out;
    evaluateSwap(s, 0, out);
    EXPECT_EQ(out.emptyCells, 0);
    EXPECT_EQ(out.kindCount, 0);
    EXPECT_EQ(out.queueLead, -4);
    EXPECT_TRUE(out.ownQueue.empty());

    // Two cells holding the same element: the board is unchanged, nothing clears.
    candidateAtZero(0, 5);
    evaluateSwap(s, 0, out);
    EXPECT_EQ(out.emptyCells, 0);
    EXPECT_EQ(out.queueLead, -4);
}

TEST(EvaluateSwap, OneLineOfThreeAgainstAnEmptyQueue) {
    MatchState s = boardFrom("533514"
                             "212134"
                             "245152"
                             "124324"
                             "212554"
                             "221122");
    s.currentPlayer = 1;
    candidateAtZero(0, 8);
    SwapOutcome out;
    evaluateSwap(s, 0, out);
    EXPECT_EQ(out.emptyCells, 3);
    EXPECT_EQ(out.queueLead, 3);
    EXPECT_EQ(out.kindCount, 1);
    EXPECT_EQ(queueDigits(out.ownQueue), "222");
}

TEST(EvaluateSwap, KindsCountDistinctElementsThatSurviveTheClash) {
    MatchState s = boardFrom("234523"
                             "512345"
                             "534512"
                             "111234"
                             "523451"
                             "345123");
    s.currentPlayer = 0;
    s.queues[1] = queueFrom("4");
    // A same-cell candidate settles the board as it stands: fire then water clear (as in the
    // chained settle), and the clash against player 2's earth follows.
    swapCandidates.assign(1, 3 * 36 + 3);
    SwapOutcome out;
    evaluateSwap(s, 0, out);
    // Queue 111555 vs 4: earth beats water (P1 loses 5), earth meets 5 again... each water is
    // removed by earth; then fire against earth: two apart, both go. Player 1 keeps 11.
    EXPECT_EQ(queueDigits(out.ownQueue), "11");
    EXPECT_EQ(out.queueLead, 2);
    EXPECT_EQ(out.kindCount, 1);
    EXPECT_EQ(out.emptyCells, 6);
}

TEST(EvaluateSwap, RepeatableAndLeavesTheLiveMatchTheCandidatesAndTheStreamAlone) {
    testRandom().seed(2024);
    MatchState s;
    fillBoard(s);
    s.queues[0] = queueFrom("135");
    s.currentPlayer = 1;
    swapCandidates.resize(630);
    std::iota(swapCandidates.begin(), swapCandidates.end(), 0);
    for (int& code : swapCandidates) {
        int a = code / 35;
        int b = a + 1 + code % 35;
        code = (a < 35 && b < 36) ? a * 36 + b : 0 * 36 + 1;
    }
    std::vector<int> candidatesBefore = swapCandidates;
    std::string boardBefore = boardDigits(s);
    Sfmt19937 streamBefore = testRandom();

    for (int k = 0; k < 630; k += 37) {
        SwapOutcome first;
        SwapOutcome second;
        evaluateSwap(s, k, first);
        evaluateSwap(s, k, second);
        EXPECT_EQ(first.ownQueue, second.ownQueue);
        EXPECT_EQ(first.kindCount, second.kindCount);
        EXPECT_EQ(first.queueLead, second.queueLead);
        EXPECT_EQ(first.emptyCells, second.emptyCells);
        // Lead is positive only when player 2's own blocks survive.
        if (first.queueLead <= 0) {
            EXPECT_TRUE(first.ownQueue.empty());
            EXPECT_EQ(first.kindCount, 0);
        }
    }
    EXPECT_EQ(boardDigits(s), boardBefore);
    EXPECT_EQ(queueDigits(s.queues[0]), "135");
    EXPECT_TRUE(s.queues[1].empty());
    EXPECT_EQ(swapCandidates, candidatesBefore);
    EXPECT_EQ(testRandom().nextU32(), streamBefore.nextU32());
}
