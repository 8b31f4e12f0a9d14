// A personality in the first seat plays exactly as it does in the second: one position seen from
// either seat (hit points and queues exchanged) gives the same thinking, travel and exchange.
#include "computer_turn_fixture.h"

using namespace kokurin;
using namespace cpu_testing;

namespace {

// Everything a computer turn decided, from its own side.
struct TurnSeen {
    std::vector<int> scores;
    std::vector<int> leads;
    std::vector<std::pair<int, int>> swaps;
    long polls = 0;
    std::int32_t typeAfter = 0;
    int draws = 0;
};

TurnSeen playFrom(MatchState state, int rotation) {
    headless::reset();
    testRotation() = rotation;
    testRandom().seed(777);
    const Sfmt19937 before = testRandom();
    TurnSeen seen;
    {
        TurnRecorder recorder;
        EXPECT_FALSE(playComputerTurn(state));
        for (const Evaluation& e : recorder.evaluations) {
            seen.scores.push_back(e.score);
            seen.leads.push_back(e.queueLead);
        }
        seen.swaps = recorder.swaps;
    }
    seen.polls = headless::pollCount();
    seen.typeAfter = computerTypeOfTurn(state);
    seen.draws = drawsBetween(before, testRandom());
    return seen;
}

void fill(ClearedQueue& queue, std::initializer_list<Element> elements) {
    queue.clear();
    for (Element e : elements) {
        queue.pushBack(e);
    }
}

} // namespace

// A position for the computer in the second seat: its hit points and the opponent's, and which
// side holds a stock (after a clash at most one does).
struct Position {
    float ownHp;
    float otherHp;
    bool ownStock;
};

TEST_F(ComputerTurnTest, EveryPersonalityDecidesTheSameFromEitherSeat) {
    // Close to death against a stock; and well ahead with a stock of its own.
    for (const Position& p : {Position{2.5f, 20.0f, false}, Position{20.0f, 6.0f, true}}) {
        for (int entry = 1; entry <= 15; ++entry) {
            MatchState second = randomMatch(entry * 7u, entry);
            second.hp[0] = p.otherHp;
            second.hp[1] = p.ownHp;
            fill(second.queues[p.ownStock ? 1 : 0], {Fire, Water, Wood, Wood});
            second.cursorCol = 2;
            second.cursorRow = 4;

            // The same position for the first seat; another personality sits in the second,
            // and must not be the one that plays.
            MatchState first = second;
            first.currentPlayer = 0;
            first.firstSeatType = entry;
            first.opponentType = entry % 15 + 1;
            std::swap(first.hp[0], first.hp[1]);
            std::swap(first.queues[0], first.queues[1]);

            // Entry 8 is each of its three personalities in turn.
            for (int rotation = 0; rotation < (entry == 8 ? 3 : 1); ++rotation) {
                const TurnSeen fromSecond = playFrom(second, rotation);
                const TurnSeen fromFirst = playFrom(first, rotation);
                SCOPED_TRACE(testing::Message() << "entry " << entry << " own hp " << p.ownHp
                                                << " rotation " << rotation);
                ASSERT_EQ(fromSecond.swaps.size(), 1u);
                EXPECT_EQ(fromFirst.swaps, fromSecond.swaps);
                EXPECT_EQ(fromFirst.polls, fromSecond.polls);
                EXPECT_EQ(fromFirst.scores, fromSecond.scores);
                EXPECT_EQ(fromFirst.leads, fromSecond.leads);
                EXPECT_EQ(fromFirst.typeAfter, fromSecond.typeAfter);
                EXPECT_EQ(fromFirst.draws, fromSecond.draws);
            }
        }
    }
}
