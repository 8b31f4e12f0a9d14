// The set-up of the computer's turn, driven through playComputerTurn: its random draws, the
// shuffle, the census, the budget and the personality of the turn.
#include <set>

#include "computer_turn_fixture.h"
#include "cpu/turn_setup.h"

using namespace kokurin;

using namespace cpu_testing;

namespace {

// Hit points that leave the computer no time at all: the set-up runs, then the exchange is made
// at once, without a frame.
constexpr float noTimeHp = 1e30f;

} // namespace

TEST_F(ComputerTurnTest, SetUpDrawsTwoPlus630PlusTwoAndOneMoreOnlyForPersonalityTwo) {
    for (int type : {1, 3, 8, 12, 15, 17}) {
        MatchState s = quietMatch(type);
        s.hp[1] = noTimeHp;
        Sfmt19937 before = testRandom();
        EXPECT_FALSE(playComputerTurn(s));
        EXPECT_EQ(drawsBetween(before, testRandom()), 634) << "personality " << type;
    }
    // 2, and 22 left over from the last turn (reduced to 2), both make the extra draw.
    for (int type : {2, 22, 2, 22}) {
        MatchState s = quietMatch(type);
        s.hp[1] = noTimeHp;
        Sfmt19937 before = testRandom();
        EXPECT_FALSE(playComputerTurn(s));
        EXPECT_EQ(drawsBetween(before, testRandom()), 635) << "personality " << type;
    }
    EXPECT_EQ(headless::pollCount(), 0);
}

TEST_F(ComputerTurnTest, ThinkingAndTravellingDrawNothing) {
    // A whole exhaustive turn on a live board: only the set-up draws.
    MatchState s = randomMatch(77, 15);
    s.queues[0] = testing_support::queueFrom("1234");
    Sfmt19937 before = testRandom();
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    ASSERT_EQ(rec.swaps.size(), 1u);
    EXPECT_EQ(rec.evaluations.size(), 630u);
    EXPECT_EQ(drawsBetween(before, testRandom()), 634);
}

TEST_F(ComputerTurnTest, ShuffleIsAPermutationDealtByTheUrnRule) {
    MatchState s = quietMatch(13);
    s.hp[1] = noTimeHp;
    SetupPrediction expected = predictSetup(testRandom());
    TurnRecorder rec;
    playComputerTurn(s);

    ASSERT_EQ(swapCandidates.size(), 630u);
    EXPECT_EQ(swapCandidates, expected.order);
    std::vector<int> sorted = swapCandidates;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> all;
    for (int a = 0; a < 36; ++a) {
        for (int b = a + 1; b < 36; ++b) {
            all.push_back(a * 36 + b);
        }
    }
    EXPECT_EQ(sorted, all);
    // Shuffled, not left in order.
    EXPECT_NE(swapCandidates, all);

    // The draws around the shuffle land where they belong.
    EXPECT_EQ(rec.setUp.markX, expected.markX);
    EXPECT_EQ(rec.setUp.markY, expected.markY);
    EXPECT_FALSE(rec.setUp.markActive);
    EXPECT_EQ(rec.setUp.targetFirst, expected.targetFirst);
    EXPECT_EQ(rec.setUp.targetSecond, expected.targetSecond);
    EXPECT_EQ(rec.setUp.thinkFrame, 0);
    EXPECT_FALSE(rec.setUp.decided);
    EXPECT_EQ(rec.setUp.bestScore, initialBestScore);
    EXPECT_EQ(rec.setUp.candidatePos, 0);
}

TEST_F(ComputerTurnTest, EveryTurnDealsAfreshIntoTheSameStorage) {
    MatchState s = quietMatch(13);
    s.hp[1] = noTimeHp;
    playComputerTurn(s);
    std::vector<int> first = swapCandidates;
    const int* storage = swapCandidates.data();
    std::size_t capacity = swapCandidates.capacity();

    SetupPrediction expected = predictSetup(testRandom());
    playComputerTurn(s);
    EXPECT_EQ(swapCandidates, expected.order);
    EXPECT_NE(swapCandidates, first);
    EXPECT_EQ(swapCandidates.data(), storage);
    EXPECT_EQ(swapCandidates.capacity(), capacity);
}

TEST_F(ComputerTurnTest, CensusFavoursTheRarestElementTiesGoingToTheLowerNumber) {
    struct Case {
        const char* board;
        Element major;
        Element minor;
    };
    const Case cases[] = {
        // Quiet board: fire 8, the other four 7 each: metal is the lowest of the tied.
        {testing_support::quietBoard(), Metal, Fire},
        // Fire rarest: its predecessor in the cycle is water.
        {"234523 452345 234523 452345 234523 452341", Fire, Water},
        // Earth and water absent (0), empty cells ignored: earth.
        {"123123 231231 312312 123123 231231 312000", Earth, Wood},
        // All five tied at 7 (one cell empty): fire.
        {"123451 234512 345123 451234 512345 123450", Fire, Water},
        // Water alone rarest.
        {"123412 341234 412341 234123 512345 123451", Water, Earth},
    };
    for (const Case& c : cases) {
        MatchState s = testing_support::boardFrom(c.board);
        Element major = None;
        Element minor = None;
        favouredElements(s, major, minor);
        EXPECT_EQ(major, c.major) << c.board;
        EXPECT_EQ(minor, c.minor) << c.board;

        // And the turn itself starts with them.
        s.opponentType = 9;
        s.currentPlayer = 1;
        s.hp[1] = noTimeHp;
        TurnRecorder rec;
        playComputerTurn(s);
        EXPECT_EQ(rec.setUp.favouredMajor, c.major) << c.board;
        EXPECT_EQ(rec.setUp.favouredMinor, c.minor) << c.board;
    }
}

TEST_F(ComputerTurnTest, BudgetComesFromHitPointsBelowOneCountingAsOne) {
    struct Case {
        float own;
        float other;
        int budget;
    };
    const Case cases[] = {
        {20.0f, 20.0f, 300}, {20.0f, 1.0f, 141}, {1.0f, 20.0f, 634},  {0.25f, 20.0f, 634},
        {20.0f, -4.0f, 141}, {7.5f, 7.5f, 300},  {10.0f, 20.0f, 356}, {15.0f, 5.0f, 227},
    };
    for (const Case& c : cases) {
        headless::reset();
        MatchState s = quietMatch(7);
        s.hp[1] = c.own;
        s.hp[0] = c.other;
        headless::setPollLimit(1);
        TurnRecorder rec;
        EXPECT_TRUE(playComputerTurn(s));
        EXPECT_EQ(rec.budget, c.budget) << c.own << " vs " << c.other;
        // Two frames counted down: the presented one and the one whose pump reported quit.
        EXPECT_EQ(s.turnTimer, c.budget - 2);
    }
}

TEST_F(ComputerTurnTest, FirstFrameShowsTheBudgetLessOne) {
    MatchState s = quietMatch(7);
    headless::setPollLimit(1);
    playComputerTurn(s);
    bool found = false;
    for (const auto& d : headless::lastFrame()) {
        if (d.kind == headless::DrawCall::Kind::Text && d.x == 280 && d.y == 24) {
            EXPECT_EQ(d.text, "じかん：4.98");
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(ComputerTurnTest, EntryEightRotatesThrough17_18_16AcrossTurnsAndMatches) {
    MatchState match = quietMatch(8);
    match.hp[1] = noTimeHp;
    const int expected[] = {17, 18, 16, 17, 18, 16, 17};
    for (int turn = 0; turn < 4; ++turn) {
        playComputerTurn(match);
        EXPECT_EQ(match.opponentType, expected[turn]) << "turn " << turn;
    }
    // A new match against entry 8 goes on from the process's count.
    MatchState next = quietMatch(8);
    next.hp[1] = noTimeHp;
    for (int turn = 4; turn < 7; ++turn) {
        playComputerTurn(next);
        EXPECT_EQ(next.opponentType, expected[turn]) << "turn " << turn;
    }
    EXPECT_EQ(testRotation(), 7);

    // Every computer turn counts, whatever the personality; 28 reduces to 8 and rotates too.
    MatchState other = quietMatch(5);
    other.hp[1] = noTimeHp;
    playComputerTurn(other);
    EXPECT_EQ(other.opponentType, 5);
    MatchState big = quietMatch(28);
    big.hp[1] = noTimeHp;
    playComputerTurn(big);
    EXPECT_EQ(testRotation(), 9);
    EXPECT_EQ(big.opponentType, 16); // 9 mod 3 = 0
}

TEST_F(ComputerTurnTest, EntryTwoPlaysAs22AboutOneTurnInSixAndReturnsTheNextTurn) {
    MatchState s = quietMatch(2);
    s.hp[1] = noTimeHp;
    int turnsAs22 = 0;
    int backToTwo = 0;
    bool previousWas22 = false;
    for (int turn = 0; turn < 600; ++turn) {
        SetupPrediction expected = predictSetup(testRandom());
        playComputerTurn(s);
        ASSERT_EQ(s.opponentType, expected.extraDrawGives22 ? 22 : 2) << "turn " << turn;
        if (previousWas22 && s.opponentType == 2) {
            ++backToTwo;
        }
        previousWas22 = s.opponentType == 22;
        turnsAs22 += previousWas22 ? 1 : 0;
    }
    // 100 expected; a fair die stays well inside this band.
    EXPECT_GT(turnsAs22, 70);
    EXPECT_LT(turnsAs22, 130);
    EXPECT_GT(backToTwo, 50);
}

TEST_F(ComputerTurnTest, NoTimeAtAllExchangesCursorCellWithTheMarkStartAtOnce) {
    MatchState s = quietMatch(15);
    s.hp[1] = noTimeHp;
    s.cursorCol = 2;
    s.cursorRow = 4;
    const MatchState before = s;
    SetupPrediction expected = predictSetup(testRandom());
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    EXPECT_EQ(s.turnTimer, 0);
    EXPECT_EQ(headless::pollCount(), 0);
    EXPECT_TRUE(rec.evaluations.empty());
    int cursorCell = 4 * 6 + 2;
    int markCell = expected.markY * 6 + expected.markX;
    ASSERT_EQ(rec.swaps.size(), 1u);
    EXPECT_EQ(rec.swaps[0], std::make_pair(cursorCell, markCell));
    EXPECT_EQ(s.cells[cursorCell], before.cells[markCell]);
    EXPECT_EQ(s.cells[markCell], before.cells[cursorCell]);
}

TEST_F(ComputerTurnTest, ValuesNoEntryProducesPlayAsPersonalityOne) {
    // A budget of 196 puts personality 1's forced decision (13 x 15) in frame 0, after its
    // one evaluation there; nothing on the quiet board clears, so the random targets stand and
    // the first step comes in frame 15.
    const float own = ownHpForBudget(196);
    ASSERT_EQ(turnBudget(own, 1.0f), 196);
    struct Case {
        int type;
        int after;
    };
    for (Case c : {Case{0, 0}, Case{19, 19}, Case{20, 0}, Case{39, 19}, Case{-7, -7}, Case{1, 1}}) {
        headless::reset();
        MatchState s = quietMatch(c.type);
        s.hp[1] = own;
        s.hp[0] = 1.0f;
        s.cursorCol = 0;
        s.cursorRow = 0;
        SetupPrediction expected = predictSetup(testRandom());
        TurnRecorder rec;
        EXPECT_FALSE(playComputerTurn(s)) << c.type;
        EXPECT_EQ(s.opponentType, c.after);
        ASSERT_EQ(rec.evaluations.size(), 1u) << c.type;
        EXPECT_EQ(rec.evaluations[0].frame, 0);
        EXPECT_EQ(rec.evaluations[0].position, 0);
        ASSERT_EQ(rec.swaps.size(), 1u);
        EXPECT_EQ(rec.swaps[0], std::make_pair(expected.targetFirst, expected.targetSecond));
        int travel = rec.firstTravelFrame(0, 0);
        EXPECT_EQ(travel, 15) << c.type;
    }
}
