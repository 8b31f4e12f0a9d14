// One human turn driven by scripted keys: its time budget, the wrapping cursor, select,
// deselect and exchange, the time-out, ESC, quit and the hint key.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "screens/match_loop.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

// Keys are read in the frame after the poll that saw them: a key down at poll p acts in the
// turn's frame p + 1 when the turn starts right after a reset.
class HumanTurn : public ScreenTest {
  protected:
    MatchState quiet(int player = 0) {
        MatchState s = boardFrom(quietBoard());
        s.currentPlayer = static_cast<std::uint8_t>(player);
        return s;
    }
};

} // namespace

TEST_F(HumanTurn, BudgetDependsOnBothPlayersHitPoints) {
    struct Case {
        float self;
        float other;
        int budget;
    };
    for (int player = 0; player < 2; ++player) {
        for (Case c : {Case{20, 20, 300}, Case{20, 1, 141}, Case{20, 0.5f, 141}, Case{1, 20, 634},
                       Case{-2, 20, 634}, Case{10, 20, 356}, Case{20, 10, 252}, Case{15, 5, 227}}) {
            restart();
            headless::KeyScript esc;
            esc.tap(1, keyEscape);
            headless::setKeySource(&esc);
            MatchState s = quiet(player);
            s.hp[player] = c.self;
            s.hp[1 - player] = c.other;
            EXPECT_FALSE(humanTurn(s));
            EXPECT_EQ(s.turnTimer, c.budget - 1) << player << " " << c.self << " " << c.other;
            EXPECT_EQ(headless::pollCount(), 1);
        }
    }
}

TEST_F(HumanTurn, FirstFrameAlreadyShowsOneFrameSpent) {
    MatchState s = quiet();
    keys.tap(2, keyEscape);
    FrameLog log;
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(log.at(1).timer, "4.98");
    EXPECT_EQ(log.at(1).timerColour, opaqueRed);
    EXPECT_EQ(log.at(2).timer, "4.97");
    EXPECT_EQ(log.at(2).timerColour, opaqueWhite);
    // The cursor mark is drawn over a complete match screen, at the cursor, in orange.
    ASSERT_EQ(log.at(1).marks.size(), 1u);
    EXPECT_EQ(log.at(1).marks[0].col, 0);
    EXPECT_EQ(log.at(1).marks[0].row, 0);
    EXPECT_EQ(log.at(1).marks[0].colour, markOrange);
    EXPECT_TRUE(log.at(1).backdrop);
    EXPECT_EQ(log.at(1).board, quietBoard());
}

TEST_F(HumanTurn, CursorWrapsAtEveryEdgeAndOppositeKeysCancel) {
    MatchState s = quiet();
    keys.tap(1, keyA);   // col 0 -> 5
    keys.tap(2, keyD);   // col 5 -> 0
    keys.tap(3, keyW);   // row 0 -> 5
    keys.tap(4, keyS);   // row 5 -> 0
    keys.press(5, keyA); // left and right together
    keys.press(5, keyD);
    keys.press(6, keyW); // up and down together
    keys.press(6, keyS);
    keys.tap(8, keyS); // row 0 -> 1
    keys.tap(9, keyA); // col 0 -> 5
    keys.tap(10, keyEscape);
    FrameLog log;
    EXPECT_FALSE(humanTurn(s));
    auto cursorAt = [&](long poll) {
        const auto& marks = log.at(poll).marks;
        EXPECT_EQ(marks.size(), 1u);
        return marks.empty() ? std::make_pair(-1, -1) : std::make_pair(marks[0].col, marks[0].row);
    };
    EXPECT_EQ(cursorAt(2), std::make_pair(5, 0));
    EXPECT_EQ(cursorAt(3), std::make_pair(0, 0));
    EXPECT_EQ(cursorAt(4), std::make_pair(0, 5));
    EXPECT_EQ(cursorAt(5), std::make_pair(0, 0));
    EXPECT_EQ(cursorAt(6), std::make_pair(0, 0));
    EXPECT_EQ(cursorAt(7), std::make_pair(0, 0));
    EXPECT_EQ(cursorAt(8), std::make_pair(0, 0));
    EXPECT_EQ(cursorAt(9), std::make_pair(0, 1));
    EXPECT_EQ(cursorAt(10), std::make_pair(5, 1));
    EXPECT_EQ(s.cursorCol, 5);
    EXPECT_EQ(s.cursorRow, 1);
}

TEST_F(HumanTurn, HeldKeyMovesOnceAndTheOtherSeatsKeysDoNothing) {
    MatchState s = quiet();
    keys.hold(1, 6, keyD);
    keys.tap(3, keyRight);
    keys.tap(4, keyDown);
    keys.tap(5, keyReturn);
    keys.tap(8, keyEscape);
    FrameLog log;
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(s.cursorCol, 1);
    EXPECT_EQ(s.cursorRow, 0);
    for (const auto& frame : log.frames) {
        EXPECT_EQ(frame.marks.size(), 1u) << "RETURN selects nothing for player 1";
    }

    // Player 2 moves with the arrows and selects with RETURN; WASD and SPACE are ignored.
    restart();
    headless::KeyScript two;
    two.tap(1, keyLeft);
    two.tap(2, keyUp);
    two.tap(3, keyS);
    two.tap(3, keySpace);
    two.tap(4, keyReturn);
    two.tap(5, keyEscape);
    headless::setKeySource(&two);
    MatchState p2 = quiet(1);
    p2.cursorCol = 2;
    p2.cursorRow = 2;
    FrameLog log2;
    EXPECT_FALSE(humanTurn(p2));
    EXPECT_EQ(p2.cursorCol, 1);
    EXPECT_EQ(p2.cursorRow, 1);
    ASSERT_EQ(log2.at(5).marks.size(), 2u);
    EXPECT_EQ(log2.at(4).marks.size(), 1u);
    EXPECT_EQ(log2.at(5).marks[1].colour, markBlue);
    EXPECT_EQ(log2.at(5).marks[1].col, 1);
    EXPECT_EQ(log2.at(5).marks[1].row, 1);
}

TEST_F(HumanTurn, SelectingTheSameCellTwiceDropsTheSelection) {
    MatchState s = quiet();
    keys.tap(1, keySpace); // select (0,0)
    keys.tap(3, keySpace); // same cell: deselect
    keys.tap(4, keyD);
    keys.tap(5, keySpace); // a new selection at (1,0), not an exchange
    keys.tap(7, keyEscape);
    FrameLog log;
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(boardDigits(s), quietBoard());
    EXPECT_EQ(headless::pollCount(), 7);
    ASSERT_EQ(log.at(2).marks.size(), 2u);
    // The selection's blue mark is drawn over the orange cursor on the same cell.
    EXPECT_EQ(log.at(2).marks[0].colour, markOrange);
    EXPECT_EQ(log.at(2).marks[1].colour, markBlue);
    EXPECT_EQ(log.at(2).marks[1].col, 0);
    EXPECT_EQ(log.at(3).marks.size(), 2u);
    EXPECT_EQ(log.at(4).marks.size(), 1u);
    EXPECT_EQ(log.at(5).marks.size(), 1u);
    ASSERT_EQ(log.at(6).marks.size(), 2u);
    EXPECT_EQ(log.at(6).marks[1].col, 1);
    EXPECT_EQ(log.at(6).marks[1].row, 0);
}

TEST_F(HumanTurn, MovementActsBeforeSelectInTheSameFrame) {
    MatchState s = quiet();
    keys.press(1, keyS);
    keys.press(1, keySpace); // moves to (0,1), then selects it
    keys.press(3, keyD);
    keys.press(3, keySpace); // moves to (1,1), then exchanges (0,1) and (1,1)
    EventLog events;
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(headless::pollCount(), 3);
    std::string expected = quietBoard();
    std::swap(expected[6], expected[7]);
    EXPECT_EQ(boardDigits(s), expected);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0], "swap 6 7");
}

TEST_F(HumanTurn, ExchangeOfFarCellsEndsTheTurnAtOnceEvenIfNothingClears) {
    MatchState s = quiet();
    keys.tap(1, keySpace); // select (0,0)
    keys.tap(2, keyA);     // (5,0)
    keys.tap(3, keyW);     // (5,5)
    keys.tap(4, keySpace); // exchange cells 0 and 35, both fire
    keys.tap(5, keyEscape);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(humanTurn(s));
    // The exchange frame is neither drawn nor presented.
    EXPECT_EQ(headless::pollCount(), 4);
    EXPECT_TRUE(headless::currentFrame().empty());
    EXPECT_EQ(s.turnTimer, 300 - 5);
    EXPECT_EQ(boardDigits(s), quietBoard()) << "equal elements exchanged";
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0], "swap 0 35");

    restart();
    headless::KeyScript far;
    far.tap(1, keySpace);
    far.tap(2, keyA);
    far.tap(3, keyW);
    far.tap(4, keyA);
    far.tap(5, keySpace); // cells 0 and 34: fire and fifth-column water
    headless::setKeySource(&far);
    MatchState t = quiet();
    EXPECT_FALSE(humanTurn(t));
    std::string expected = quietBoard();
    std::swap(expected[0], expected[34]);
    EXPECT_EQ(boardDigits(t), expected);
    EXPECT_TRUE(t.queues[0].empty()) << "the turn itself clears nothing";
}

TEST_F(HumanTurn, TimeOutShowsZeroInWhiteThenLeavesMinusOne) {
    MatchState s = quiet();
    keys.tap(1, keySpace); // a selection that is never completed
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(headless::pollCount(), 300);
    EXPECT_EQ(s.turnTimer, -1);
    EXPECT_EQ(boardDigits(s), quietBoard());
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(log.at(300).timer, "0.00");
    EXPECT_EQ(log.at(300).timerColour, opaqueWhite);
    EXPECT_EQ(log.at(299).timer, "0.02");
    EXPECT_EQ(log.at(299).timerColour, opaqueRed);
    EXPECT_EQ(log.at(300).marks.size(), 2u);

    // The player who is behind has longer.
    restart();
    MatchState behind = quiet(1);
    behind.hp[1] = 10.0f;
    EXPECT_FALSE(humanTurn(behind));
    EXPECT_EQ(headless::pollCount(), 356);
    EXPECT_EQ(behind.turnTimer, -1);
}

TEST_F(HumanTurn, EscapeEndsTheTurnAfterItsFrameAndQuitAtOnce) {
    MatchState s = quiet();
    keys.tap(1, keySpace);
    keys.tap(3, keyEscape);
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(headless::pollCount(), 3);
    EXPECT_EQ(s.turnTimer, 297);
    EXPECT_EQ(keyState[keyEscape], 1) << "left for the match loop to see";
    EXPECT_EQ(boardDigits(s), quietBoard());

    restart();
    headless::setPollLimit(5);
    MatchState q = quiet();
    EXPECT_TRUE(humanTurn(q));
    EXPECT_EQ(headless::pollCount(), 5);
    EXPECT_EQ(headless::quitCount(), 1);
    const Frame& unfinished = headless::currentFrame();
    EXPECT_EQ(countFullScreenRects(unfinished, opaqueBlack), 1);
    EXPECT_EQ(cellMarks(unfinished).size(), 1u);
    EXPECT_EQ(q.turnTimer, 294);
}

TEST_F(HumanTurn, HintKeyShowsTheBestPairAndTheTurnGoesOn) {
    MatchState s = quiet();
    s.queues[1] = queueFrom("44");
    keys.tap(2, keyH);
    keys.tap(4, keyEscape);
    std::vector<std::pair<std::string, long>> shown;
    headless::setMessageHandler(
        [&](const char* text) { shown.emplace_back(text, headless::pollCount()); });
    EXPECT_FALSE(humanTurn(s));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "(1,1)-(2,1)");
    EXPECT_EQ(shown[0].second, 2) << "shown in the frame after the poll that saw H";
    EXPECT_EQ(s.turnTimer, 296) << "the box does not cost frames";
    EXPECT_EQ(boardDigits(s), quietBoard());
    EXPECT_EQ(queueDigits(s.queues[1]), "44");
}
