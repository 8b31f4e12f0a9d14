// The computer's cursor travel: ring moves, the mark, the swap, the squares drawn each frame,
// and how time-out, ESC and quit end the turn.
#include "computer_turn_fixture.h"
#include "input/key_state.h"

using namespace kokurin;

using namespace cpu_testing;

namespace {

// A decided turn of personality 13 (N = 10), stepping whenever thinkFrame is a multiple of 10.
struct Travel {
    MatchState state = quietMatch(13);
    ComputerTurn turn;
    int frame = 0;

    Travel(int cursorCol, int cursorRow, int first, int second) {
        state.cursorCol = cursorCol;
        state.cursorRow = cursorRow;
        turn.decided = true;
        turn.personality = 13;
        turn.targetFirst = first;
        turn.targetSecond = second;
    }
    // The next due step; true when it made the exchange.
    bool step() {
        turn.thinkFrame = frame;
        frame += 10;
        return travelStep(state, turn);
    }
    std::pair<int, int> cursor() const { return {state.cursorCol, state.cursorRow}; }
    std::pair<int, int> mark() const { return {turn.markX, turn.markY}; }
};

} // namespace

TEST(CursorTravel, ColumnsTakeTheShortWayRoundTheRingAndThreeGoesBackwards) {
    // 0 -> 3: distance 3 goes the negative way: 5, 4, 3.
    Travel t(0, 0, 3, 4);
    t.step();
    EXPECT_EQ(t.cursor(), std::make_pair(5, 0));
    t.step();
    EXPECT_EQ(t.cursor(), std::make_pair(4, 0));
    t.step();
    EXPECT_EQ(t.cursor(), std::make_pair(3, 0));
    EXPECT_FALSE(t.turn.markActive);

    // 4 -> 0: distance 2 goes forward: 5, 0.
    Travel u(4, 2, 12, 13);
    u.step();
    EXPECT_EQ(u.cursor(), std::make_pair(5, 2));
    u.step();
    EXPECT_EQ(u.cursor(), std::make_pair(0, 2));

    // 1 -> 5: distance 4 goes backwards through 0.
    Travel v(1, 0, 5, 6);
    v.step();
    EXPECT_EQ(v.cursor(), std::make_pair(0, 0));
    v.step();
    EXPECT_EQ(v.cursor(), std::make_pair(5, 0));
}

TEST(CursorTravel, ColumnsSettleBeforeRowsThenTheMarkRisesAndWalksToTheSecondCell) {
    // Cursor (0, 5) to cell 13 = (1, 2); then the mark to cell 34 = (4, 5).
    Travel t(0, 5, 13, 34);
    t.state.cells[13] = Fire;
    t.state.cells[34] = Water;
    const std::pair<int, int> cursorPath[] = {{1, 5}, {1, 4}, {1, 3}, {1, 2}};
    for (auto expected : cursorPath) {
        EXPECT_FALSE(t.step());
        EXPECT_EQ(t.cursor(), expected);
        EXPECT_FALSE(t.turn.markActive);
    }
    // On the first cell: the mark rises there, nothing moves.
    EXPECT_FALSE(t.step());
    EXPECT_TRUE(t.turn.markActive);
    EXPECT_EQ(t.mark(), std::make_pair(1, 2));
    EXPECT_EQ(t.cursor(), std::make_pair(1, 2));
    // Mark: columns 1 -> 4 (distance 3, backwards: 0, 5, 4), then rows 2 -> 5 (backwards: 1,
    // 0, 5).
    const std::pair<int, int> markPath[] = {{0, 2}, {5, 2}, {4, 2}, {4, 1}, {4, 0}, {4, 5}};
    for (auto expected : markPath) {
        EXPECT_FALSE(t.step());
        EXPECT_EQ(t.mark(), expected);
        EXPECT_EQ(t.cursor(), std::make_pair(1, 2));
    }
    // The next step finds the mark in place and exchanges.
    EXPECT_TRUE(t.step());
    EXPECT_EQ(t.state.cells[13], Water);
    EXPECT_EQ(t.state.cells[34], Fire);
}

TEST(CursorTravel, StepsComeOnlyOnMultiplesOfNAndOnlyOnceDecided) {
    MatchState s = quietMatch(1); // N = 15
    ComputerTurn turn;
    turn.targetFirst = 11; // (5, 1)
    turn.targetSecond = 6;
    turn.decided = false;
    turn.thinkFrame = 0;
    EXPECT_FALSE(travelStep(s, turn));
    EXPECT_EQ(s.cursorCol, 0);
    turn.decided = true;
    for (int f : {7, 14, 16, 29}) {
        turn.thinkFrame = f;
        travelStep(s, turn);
        EXPECT_EQ(s.cursorCol, 0) << f;
    }
    turn.thinkFrame = 15;
    travelStep(s, turn);
    EXPECT_EQ(s.cursorCol, 5);
    turn.thinkFrame = 30;
    travelStep(s, turn);
    EXPECT_EQ(s.cursorRow, 1);

    // A value that no entry produces steps like personality 1.
    s.opponentType = 19;
    turn.thinkFrame = 45;
    travelStep(s, turn);
    EXPECT_TRUE(turn.markActive);
}

TEST(CursorTravel, SameCellTwiceSwapsTheCellWithItself) {
    Travel t(2, 2, 14, 14);
    const std::string before = testing_support::boardDigits(t.state);
    EXPECT_FALSE(t.step());
    EXPECT_TRUE(t.turn.markActive);
    EXPECT_TRUE(t.step());
    EXPECT_EQ(testing_support::boardDigits(t.state), before);
}

TEST(CursorTravel, FinalSwapExchangesCursorCellWithWhereverTheMarkStands) {
    MatchState s = quietMatch(1);
    s.cursorCol = 3;
    s.cursorRow = 0; // cell 3 holds 4
    ComputerTurn turn;
    turn.markX = 1;
    turn.markY = 2; // cell 13 holds 1
    ASSERT_EQ(s.cells[3], Earth);
    ASSERT_EQ(s.cells[13], Fire);
    finalSwap(s, turn);
    EXPECT_EQ(s.cells[3], Fire);
    EXPECT_EQ(s.cells[13], Earth);
    // Out-of-range coordinates are read round the ring instead of off the board.
    s.cursorCol = 9;  // 3
    s.cursorRow = -6; // 0
    finalSwap(s, turn);
    EXPECT_EQ(s.cells[3], Earth);
    EXPECT_EQ(s.cells[13], Fire);
}

TEST(CursorTravel, CursorSquareIsOrangeAndTheRaisedMarkBlueOnTop) {
    headless::reset();
    MatchState s = quietMatch(1);
    s.cursorCol = 2;
    s.cursorRow = 5;
    ComputerTurn turn;
    turn.markX = 4;
    turn.markY = 1;
    drawComputerCursor(s, turn);
    ASSERT_EQ(headless::currentFrame().size(), 1u) << "no mark before it is raised";
    turn.markActive = true;
    drawComputerCursor(s, turn);
    const auto& frame = headless::currentFrame();
    ASSERT_EQ(frame.size(), 3u);

    auto expectSquare = [](const headless::DrawCall& d, float x0, float y0, std::uint32_t c) {
        ASSERT_EQ(d.kind, headless::DrawCall::Kind::Primitive);
        EXPECT_EQ(d.primitive, PrimitiveKind::TriangleStrip);
        EXPECT_EQ(d.primitiveCount, 2u);
        ASSERT_EQ(d.vertices.size(), 4u);
        const float xs[] = {x0 + 16, x0 + 16, x0, x0};
        const float ys[] = {y0, y0 + 16, y0, y0 + 16};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(d.vertices[i].x, xs[i]);
            EXPECT_EQ(d.vertices[i].y, ys[i]);
            EXPECT_EQ(d.vertices[i].colour, c);
        }
    };
    expectSquare(frame[1], 188 + 96, 108 + 240, 0xFFFF8000u);
    expectSquare(frame[2], 188 + 192, 108 + 48, 0xFF0000FFu);
    headless::reset();
}

TEST_F(ComputerTurnTest, EveryFrameShowsTheMatchScreenWithTheCursorOnTop) {
    MatchState s = quietMatch(7);
    s.cursorCol = 1;
    s.cursorRow = 3;
    headless::setPollLimit(3);
    playComputerTurn(s);
    const auto& frame = headless::lastFrame();
    ASSERT_FALSE(frame.empty());
    // Backdrop first, cursor square last.
    EXPECT_EQ(frame.front().kind, headless::DrawCall::Kind::Primitive);
    EXPECT_EQ(frame.front().vertices.at(0).colour, 0xFF000000u);
    int col = 0;
    int row = 0;
    ASSERT_TRUE(squareAt(frame.back(), orange, col, row));
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 3);
    bool caption = false;
    for (const auto& d : frame) {
        caption = caption || d.text == "2Pのターン";
    }
    EXPECT_TRUE(caption);
}

// Personality 16 with a budget of 196 is forced in frame 0 without evaluating, so the random
// targets are what it travels to, one step every 15 frames from frame 15.
class RandomTargetTravel : public ComputerTurnTest {
  protected:
    // A seed whose set-up targets satisfy the predicate.
    template <typename Predicate> SetupPrediction seedWhere(Predicate wanted) {
        for (std::uint32_t seed = 1;; ++seed) {
            testRandom().seed(seed);
            SetupPrediction p = predictSetup(testRandom());
            if (wanted(p)) {
                testRandom().seed(seed);
                return p;
            }
        }
    }
    MatchState forcedAtOnce() {
        MatchState s = quietMatch(entryPlayingAs(16));
        s.hp[1] = ownHpForBudget(196);
        s.hp[0] = 1.0f;
        return s;
    }
};

TEST_F(RandomTargetTravel, DrawnCursorWalksTheRingAndTheCompletingFrameIsNeitherDrawnNorPumped) {
    // 0 -> 3 goes 5, 4, 3; then the rows, the mark and the exchange.
    SetupPrediction p = seedWhere([](const SetupPrediction& q) {
        return q.targetFirst % 6 == 3 && q.targetFirst / 6 == 0 && q.targetSecond % 6 == 3 &&
               q.targetSecond / 6 == 1;
    });
    MatchState s = forcedAtOnce();
    s.cursorCol = 0;
    s.cursorRow = 0;
    const MatchState before = s;
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    ASSERT_GE(rec.frames.size(), 76u);
    for (int f = 0; f < 15; ++f) {
        EXPECT_EQ(rec.frames[f].cursorCol, 0) << f;
    }
    EXPECT_EQ(rec.frames[15].cursorCol, 5);
    EXPECT_EQ(rec.frames[29].cursorCol, 5);
    EXPECT_EQ(rec.frames[30].cursorCol, 4);
    EXPECT_EQ(rec.frames[45].cursorCol, 3);
    EXPECT_FALSE(rec.frames[59].markShown);
    // Frame 60: the mark rises on the cursor; 75: it moves down a row onto the second cell.
    EXPECT_TRUE(rec.frames[60].markShown);
    EXPECT_EQ(rec.frames[60].markX, 3);
    EXPECT_EQ(rec.frames[60].markY, 0);
    EXPECT_EQ(rec.frames[75].markY, 1);
    // Frame 90 exchanges and ends the turn before drawing or pumping.
    EXPECT_EQ(headless::pollCount(), 90);
    EXPECT_EQ(rec.frames.size(), 90u);
    EXPECT_EQ(s.turnTimer, 196 - 91);
    ASSERT_EQ(rec.swaps.size(), 1u);
    EXPECT_EQ(rec.swaps[0], std::make_pair(3, 9));
    EXPECT_EQ(s.cells[3], before.cells[9]);
    EXPECT_EQ(s.cells[9], before.cells[3]);
    EXPECT_TRUE(rec.evaluations.empty());
}

TEST_F(RandomTargetTravel, FromColumnFourToColumnZeroGoesForwardThroughFive) {
    seedWhere([](const SetupPrediction& q) { return q.targetFirst % 6 == 0; });
    MatchState s = forcedAtOnce();
    s.cursorCol = 4;
    TurnRecorder rec;
    playComputerTurn(s);
    ASSERT_GE(rec.frames.size(), 31u);
    EXPECT_EQ(rec.frames[14].cursorCol, 4);
    EXPECT_EQ(rec.frames[15].cursorCol, 5);
    EXPECT_EQ(rec.frames[30].cursorCol, 0);
}

TEST_F(RandomTargetTravel, CursorAlreadyOnTheFirstCellRaisesTheMarkWithoutMoving) {
    SetupPrediction p =
        seedWhere([](const SetupPrediction& q) { return q.targetFirst != q.targetSecond; });
    MatchState s = forcedAtOnce();
    s.cursorCol = p.targetFirst % 6;
    s.cursorRow = p.targetFirst / 6;
    TurnRecorder rec;
    playComputerTurn(s);
    ASSERT_GE(rec.frames.size(), 16u);
    EXPECT_FALSE(rec.frames[14].markShown);
    EXPECT_TRUE(rec.frames[15].markShown);
    EXPECT_EQ(rec.frames[15].markX, s.cursorCol);
    EXPECT_EQ(rec.frames[15].markY, s.cursorRow);
    EXPECT_EQ(rec.frames[15].cursorCol, p.targetFirst % 6);
    EXPECT_EQ(rec.frames[15].cursorRow, p.targetFirst / 6);
    EXPECT_EQ(rec.swaps.at(0), std::make_pair(p.targetFirst, p.targetSecond));
}

TEST_F(RandomTargetTravel, EqualRandomTargetsSwapACellWithItself) {
    SetupPrediction p =
        seedWhere([](const SetupPrediction& q) { return q.targetFirst == q.targetSecond; });
    MatchState s = forcedAtOnce();
    const std::string before = testing_support::boardDigits(s);
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    ASSERT_EQ(rec.swaps.size(), 1u);
    EXPECT_EQ(rec.swaps[0], std::make_pair(p.targetFirst, p.targetFirst));
    EXPECT_EQ(testing_support::boardDigits(s), before);
    // Moves to the cell from (0, 0), the step that raises the mark, and the next step, which
    // finds the mark already on the second cell and exchanges.
    auto ringMoves = [](int to) {
        int d = (to + 6) % 6;
        return d <= 3 ? d : 6 - d;
    };
    int steps = ringMoves(p.targetFirst % 6) + ringMoves(p.targetFirst / 6) + 2;
    EXPECT_EQ(headless::pollCount(), 15 * steps);
    EXPECT_TRUE(rec.frames.back().markShown);
    EXPECT_EQ(rec.frames.back().markX, p.targetFirst % 6);
    EXPECT_EQ(rec.frames.back().markY, p.targetFirst / 6);
}

TEST_F(ComputerTurnTest, TimeOutHalfWayExchangesTheCursorCellWithTheMarksRandomStart) {
    // Personality 15 on the quiet board keeps position 0 (every score 0) and decides in frame
    // 29; with 45 frames it steps in frames 35 and 42 and runs out in frame 44.
    const float own = ownHpForBudget(45);
    ASSERT_EQ(turnBudget(own, 1.0f), 45);
    SetupPrediction p = predictSetup(testRandom());
    int first = p.order[0] / 36;
    MatchState s = quietMatch(15);
    s.hp[1] = own;
    s.hp[0] = 1.0f;
    // Three columns away, so two steps leave the cursor one short.
    s.cursorCol = (first % 6 + 3) % 6;
    s.cursorRow = first / 6;
    const MatchState before = s;
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    EXPECT_EQ(headless::pollCount(), 45);
    int expectedCol = (first % 6 + 1) % 6;
    EXPECT_EQ(s.cursorCol, expectedCol);
    EXPECT_EQ(rec.frames[34].cursorCol, (first % 6 + 3) % 6);
    EXPECT_EQ(rec.frames[35].cursorCol, (first % 6 + 2) % 6);
    EXPECT_EQ(rec.frames[42].cursorCol, expectedCol);
    int cursorCell = (first / 6) * 6 + expectedCol;
    int markCell = p.markY * 6 + p.markX;
    ASSERT_EQ(rec.swaps.size(), 1u);
    EXPECT_EQ(rec.swaps[0], std::make_pair(cursorCell, markCell));
    EXPECT_EQ(s.cells[cursorCell], before.cells[markCell]);
}

TEST_F(ComputerTurnTest, EscapeEndsTheTurnWithoutAnExchange) {
    // Personality 15 on a live board decides in frame 29 and steps from frame 35; ESC first
    // pressed at poll 41 (after frame 40) stops it with the cursor where it got to.
    MatchState s = randomMatch(31, 15);
    const MatchState before = s;
    headless::KeyScript keys;
    keys.hold(41, 45, keyEscape);
    headless::setKeySource(&keys);
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    EXPECT_EQ(headless::pollCount(), 41);
    // Read after frame 40's pump: no further frame was begun.
    EXPECT_EQ(s.turnTimer, 300 - 41);
    EXPECT_EQ(rec.frames.size(), 41u);
    EXPECT_TRUE(rec.swaps.empty());
    EXPECT_EQ(testing_support::boardDigits(s), testing_support::boardDigits(before));
    EXPECT_EQ(s.cursorCol, rec.frames.back().cursorCol);
    EXPECT_EQ(s.cursorRow, rec.frames.back().cursorRow);
    headless::setKeySource(nullptr);
}

TEST_F(ComputerTurnTest, EscapeHeldFromBeforeTheTurnDoesNotCount) {
    MatchState s = quietMatch(7);
    keyState[keyEscape] = 4;
    headless::KeyScript keys;
    keys.hold(1, 400, keyEscape);
    headless::setKeySource(&keys);
    TurnRecorder rec;
    EXPECT_FALSE(playComputerTurn(s));
    // It ran its whole course: the forced decision, the travel and the exchange.
    EXPECT_EQ(rec.swaps.size(), 1u);
    EXPECT_GT(headless::pollCount(), 170);
    headless::setKeySource(nullptr);
}

TEST_F(ComputerTurnTest, QuitEndsTheTurnWithinTheFrame) {
    for (long limit : {1L, 10L, 40L}) {
        headless::reset();
        MatchState s = randomMatch(31, 15);
        const MatchState before = s;
        headless::setPollLimit(limit);
        TurnRecorder rec;
        EXPECT_TRUE(playComputerTurn(s));
        EXPECT_EQ(headless::pollCount(), limit);
        // The frame whose pump reported quit was counted down, and nothing more happened.
        EXPECT_EQ(s.turnTimer, 300 - limit - 1);
        EXPECT_TRUE(rec.swaps.empty());
        EXPECT_EQ(testing_support::boardDigits(s), testing_support::boardDigits(before));
    }
}
