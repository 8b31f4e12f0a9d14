// The hint: the best of all 630 exchanges for the player to move, its tie rules, the text it
// shows, and the notice when no exchange beats the starting values.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "screens/hint.h"
#include "screens/match_loop.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

class Hint : public ScreenTest {};

// Mostly empty cells, which never form lines: a fire feeder (cell 0), a metal feeder (cell 1)
// and a bottom row where fire into cell 32 clears three fire and metal into 32 or 35 clears
// three metal.
const char* feederBoard() {
    return "120000"
           "000000"
           "000000"
           "000000"
           "000000"
           "114225";
}

// Wood into cell 17 or 35 clears three wood (column 5); fire from cell 1 into cell 32 clears
// four fire. Against an earth stock both leave the mover three blocks, but the fire line
// empties one cell more.
const char* tieBoard() {
    return "310000"
           "000000"
           "000000"
           "000003"
           "000003"
           "110150";
}

} // namespace

TEST_F(Hint, BoardWithoutAnyLineNamesTheFirstPair) {
    for (int mover = 0; mover < 2; ++mover) {
        MatchState s = boardFrom(quietBoard());
        s.currentPlayer = static_cast<std::uint8_t>(mover);
        EXPECT_STREQ(hintText(s), "(1,1)-(2,1)");
        // An opponent's stock that no exchange reduces still leaves the first pair best.
        s.queues[1 - mover] = queueFrom("12345");
        EXPECT_STREQ(hintText(s), "(1,1)-(2,1)");
    }
}

TEST_F(Hint, ScoresForThePlayerToMove) {
    // Player 1 holds three wood. Metal overcomes wood, fire and wood destroy each other.
    MatchState s = boardFrom(feederBoard());
    s.queues[0] = queueFrom("333");
    s.currentPlayer = 1;
    s.opponentType = 0;
    // For player 2 only metal survives: the first metal pair, cells 1 and 32.
    EXPECT_STREQ(hintText(s), "(2,1)-(3,6)");
    // For player 1 every line adds three to its own stock: the first line pair, cells 0 and 32.
    s.currentPlayer = 0;
    EXPECT_STREQ(hintText(s), "(1,1)-(3,6)");
}

TEST_F(Hint, EqualScoresPreferMoreEmptiedCellsThenTheEarlierPair) {
    MatchState s = boardFrom(tieBoard());
    s.queues[1] = queueFrom("4");
    EXPECT_STREQ(hintText(s), "(2,1)-(3,6)");

    // Without the earth stock all three lines score their size: four fire wins outright.
    s.queues[1].clear();
    EXPECT_STREQ(hintText(s), "(2,1)-(3,6)");

    // With two wood lines alone (the fire feeder removed) the earlier of the equal pairs wins.
    s.cells[1] = None;
    s.queues[1] = queueFrom("4");
    EXPECT_STREQ(hintText(s), "(1,1)-(6,3)");
}

TEST_F(Hint, NoPairBeatsAnUnreducibleStockOf256) {
    MatchState s = boardFrom(quietBoard());
    for (int i = 0; i < 256; ++i) {
        s.queues[1].pushBack(Fire);
    }
    EXPECT_STREQ(hintText(s), "よい入れ替えが見つかりません");
    s.queues[1].popBack();
    EXPECT_STREQ(hintText(s), "(1,1)-(2,1)") << "255 blocks score above the start";

    MatchState two = boardFrom(quietBoard());
    two.currentPlayer = 1;
    for (int i = 0; i < 300; ++i) {
        two.queues[0].pushBack(Water);
    }
    EXPECT_STREQ(hintText(two), "よい入れ替えが見つかりません");
}

TEST_F(Hint, ShowHintChangesNothingAndReportsBeforeTheBox) {
    MatchState s = boardFrom(feederBoard());
    s.queues[0] = queueFrom("333");
    s.currentPlayer = 1;
    s.cursorCol = 4;
    s.cursorRow = 2;
    s.turnTimer = 123;
    Sfmt19937 before = testRandom();
    EventLog events;
    std::vector<std::string> seenByBox;
    headless::setMessageHandler([&](const char* text) {
        seenByBox.push_back(text);
        ASSERT_EQ(events.events.size(), 1u) << "the observer hears of the hint first";
    });
    showHint(s, testObserver());
    ASSERT_EQ(seenByBox.size(), 1u);
    EXPECT_EQ(seenByBox[0], "(2,1)-(3,6)");
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0], "hint (2,1)-(3,6)");
    EXPECT_EQ(boardDigits(s), std::string(feederBoard()));
    EXPECT_EQ(queueDigits(s.queues[0]), "333");
    EXPECT_TRUE(s.queues[1].empty());
    EXPECT_EQ(s.cursorCol, 4);
    EXPECT_EQ(s.cursorRow, 2);
    EXPECT_EQ(s.turnTimer, 123);
    EXPECT_EQ(testRandom().index(), before.index()) << "the hint draws no random numbers";
    EXPECT_EQ(testRandom().nextU32(), before.nextU32());
    EXPECT_EQ(headless::pollCount(), 0) << "no frame is drawn or pumped";
    EXPECT_TRUE(headless::currentFrame().empty());

    // Without a handler the front end records the text.
    testObserver() = nullptr;
    showHint(s, testObserver());
    ASSERT_EQ(headless::messages().size(), 0u) << "the handler is still installed";
    headless::setMessageHandler(nullptr);
    showHint(s, testObserver());
    ASSERT_EQ(headless::messages().size(), 1u);
    EXPECT_EQ(headless::messages()[0], "(2,1)-(3,6)");
}

TEST_F(Hint, SecondHumanAsksForAHintForPlayerTwo) {
    // Player 2's turn in a two-human match: H gives player 2's best exchange.
    MatchState s = boardFrom(feederBoard());
    s.queues[0] = queueFrom("333");
    s.currentPlayer = 1;
    s.opponentType = 0;
    keys.tap(1, keyH);
    keys.tap(2, keyEscape);
    EXPECT_FALSE(humanTurn(s));
    ASSERT_EQ(headless::messages().size(), 1u);
    EXPECT_EQ(headless::messages()[0], "(2,1)-(3,6)");
}
