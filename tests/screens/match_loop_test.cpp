// Whole matches driven through runMatch with scripted keys: turns passing and repeating, the
// shown cascade, the bare frame between turns, the winner screen, ESC and quit from every loop.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "screens/match_loop.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

// The same board after that exchange and the clearing, before anything falls.
const char* holesBoard() {
    return "123451"
           "345123"
           "512345"
           "234512"
           "451234"
           "000453";
}

// After the fall: the three columns moved down by one, their top cells still empty.
const char* fallenBoard() {
    return "000451"
           "123123"
           "345345"
           "512512"
           "234234"
           "451453";
}

class MatchLoop : public ScreenTest {
  protected:
    MatchState twoHumans(const char* board) {
        MatchState s = boardFrom(board);
        s.opponentType = 0;
        return s;
    }

    // Player 1 selects (0,0), moves right and exchanges cells 0 and 1 in the turn's fourth
    // frame, which is neither drawn nor presented; with a fresh front end that is after poll 3.
    void swapFirstTwoCells(headless::KeyScript& script, long start, int right, int select) {
        script.tap(start + 1, select);
        script.tap(start + 2, right);
        script.tap(start + 3, select);
    }

    // From the cursor at (2,5): select it, walk left three times to (5,5) and exchange.
    // The exchange is made in the turn's eighth frame, after poll 7.
    void exchange32And35(headless::KeyScript& script) {
        script.tap(1, keySpace);
        script.tap(2, keyA);
        script.tap(4, keyA);
        script.tap(6, keyA);
        script.tap(7, keySpace);
    }
};

} // namespace

TEST_F(MatchLoop, ExchangeThatClearsNothingPassesTheTurnAfterOneBareFrame) {
    MatchState s = twoHumans(quietBoard());
    swapFirstTwoCells(keys, 0, keyD, keySpace);
    keys.tap(6, keyEscape);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    const std::vector<std::string> expected = {"turn 1P", "swap 0 1", "end human", "settled",
                                               "clash",   "turn 2P",  "end human"};
    EXPECT_EQ(events.events, expected);
    EXPECT_EQ(events.polls, (std::vector<long>{0, 3, 3, 3, 3, 4, 6}));
    EXPECT_EQ(events.endedTimers.at(0), 296) << "the timer keeps its value at the exchange";
    // Poll 4 presents the bare frame: nothing drawn.
    EXPECT_EQ(log.at(3).caption, "1Pのターン");
    EXPECT_EQ(log.at(4).draws, 0u);
    EXPECT_EQ(log.at(5).caption, "2Pのターン");
    EXPECT_EQ(log.at(5).timer, "4.98");
    std::string swapped = quietBoard();
    std::swap(swapped[0], swapped[1]);
    EXPECT_EQ(log.at(5).board, swapped);
    EXPECT_EQ(s.currentPlayer, 1);
    EXPECT_EQ(headless::pollCount(), 6);
}

TEST_F(MatchLoop, CascadeShowsTheHolesThenTheSettledBoardThirtyFramesEach) {
    MatchState s = twoHumans(nearLineBoard());
    s.cursorCol = 2;
    s.cursorRow = 5;
    exchange32And35(keys);
    keys.tap(69, keyEscape);
    Sfmt19937 stream = testRandom();
    std::string settled = fallenBoard();
    // The three empty cells are refilled in row-major order from the shared stream.
    for (int cell = 0; cell < 3; ++cell) {
        settled[cell] = static_cast<char>('0' + newElement(stream));
    }
    MatchState check = boardFrom(settled);
    ASSERT_FALSE(boardHasLine(check)) << "the refill of this seed forms no new line";

    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    ASSERT_EQ(headless::pollCount(), 69);
    for (long poll = 8; poll <= 37; ++poll) {
        EXPECT_EQ(log.at(poll).board, holesBoard()) << poll;
        EXPECT_EQ(log.at(poll).queue0, "111") << "the cleared fire is already the mover's";
        EXPECT_EQ(log.at(poll).timer, "4.87") << "292 frames were left at the exchange";
        EXPECT_EQ(log.at(poll).timerColour, opaqueWhite);
        EXPECT_TRUE(log.at(poll).marks.empty()) << "the cursor is not drawn during the cascade";
        EXPECT_EQ(log.at(poll).caption, "1Pのターン");
    }
    for (long poll = 38; poll <= 67; ++poll) {
        EXPECT_EQ(log.at(poll).board, settled) << poll;
        EXPECT_EQ(log.at(poll).queue0, "111");
    }
    EXPECT_EQ(log.at(68).draws, 0u);
    EXPECT_EQ(log.at(69).caption, "2Pのターン");
    EXPECT_EQ(log.at(69).queue0, "111") << "the fire waits as player 1's stock";
    const std::vector<std::string> expected = {"turn 1P", "swap 32 35", "end human", "settled",
                                               "clash",   "turn 2P",    "end human"};
    EXPECT_EQ(events.events, expected);
    EXPECT_EQ(events.polls, (std::vector<long>{0, 7, 7, 67, 67, 68, 69}));
    EXPECT_EQ(testRandom().index(), stream.index()) << "exactly three draws";
}

TEST_F(MatchLoop, StockStrikesATimedOutMoverWhoPlaysAgain) {
    MatchState s = twoHumans(quietBoard());
    s.queues[1] = queueFrom("1");
    keys.tap(332, keyEscape);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    EXPECT_FLOAT_EQ(s.hp[0], 19.0f);
    EXPECT_EQ(s.hp[1], 20.0f);
    // 300 turn frames, 20 + 10 clash frames, the bare frame, the new turn's first frame.
    EXPECT_EQ(headless::pollCount(), 332);
    const std::vector<std::string> expected = {"turn 1P", "end human", "settled",
                                               "clash",   "turn 1P",   "end human"};
    EXPECT_EQ(events.events, expected);
    EXPECT_EQ(events.endedTimers.at(0), -1);
    EXPECT_EQ(log.at(301).timer, "-0.02") << "the clash shows the timed-out timer";
    EXPECT_EQ(log.at(301).timerColour, opaqueRed);
    EXPECT_TRUE(log.at(321).redFlashOnTop);
    EXPECT_EQ(log.at(331).draws, 0u);
    EXPECT_EQ(log.at(332).caption, "1Pのターン");
    EXPECT_EQ(log.at(332).timer, "5.03") << "303 frames for the player behind, one spent";
    EXPECT_EQ(boardDigits(s), quietBoard());
}

TEST_F(MatchLoop, EscapeAbandonsAfterAHumanTurnInACascadePauseAndInTheBareFrame) {
    // After a human turn.
    MatchState s = twoHumans(quietBoard());
    keys.tap(2, keyEscape);
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(headless::pollCount(), 2);
    EXPECT_EQ(events.events, (std::vector<std::string>{"turn 1P", "end human"}));

    // In the first cascade pause: the holes stay.
    restart();
    headless::KeyScript cascade;
    exchange32And35(cascade);
    cascade.tap(20, keyEscape);
    headless::setKeySource(&cascade);
    MatchState c = twoHumans(nearLineBoard());
    c.cursorCol = 2;
    c.cursorRow = 5;
    EventLog cascadeEvents;
    EXPECT_FALSE(runMatch(c));
    EXPECT_EQ(headless::pollCount(), 20);
    EXPECT_EQ(boardDigits(c), holesBoard());
    EXPECT_EQ(cascadeEvents.events.back(), "end human");

    // In the second pause.
    restart();
    headless::KeyScript second;
    exchange32And35(second);
    second.tap(50, keyEscape);
    headless::setKeySource(&second);
    MatchState d = twoHumans(nearLineBoard());
    d.cursorCol = 2;
    d.cursorRow = 5;
    EXPECT_FALSE(runMatch(d));
    EXPECT_EQ(headless::pollCount(), 50);
    EXPECT_EQ(boardDigits(d).substr(3), std::string(fallenBoard()).substr(3));

    // In the bare frame between turns.
    restart();
    headless::KeyScript bare;
    swapFirstTwoCells(bare, 0, keyD, keySpace);
    bare.tap(4, keyEscape);
    headless::setKeySource(&bare);
    MatchState b = twoHumans(quietBoard());
    EventLog bareEvents;
    EXPECT_FALSE(runMatch(b));
    EXPECT_EQ(headless::pollCount(), 4);
    EXPECT_EQ(bareEvents.events.back(), "clash");
    EXPECT_EQ(b.currentPlayer, 1);
}

TEST_F(MatchLoop, EscapeInsideTheClashEndsOnlyTheClash) {
    MatchState s = twoHumans(quietBoard());
    s.queues[1] = queueFrom("11");
    swapFirstTwoCells(keys, 0, keyD, keySpace);
    keys.tap(10, keyEscape); // in the 20-frame pause before the damage
    keys.tap(13, keyEscape); // in player 1's next turn: abandons
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    const std::vector<std::string> expected = {"turn 1P", "swap 0 1", "end human", "settled",
                                               "clash",   "turn 1P",  "end human"};
    EXPECT_EQ(events.events, expected);
    EXPECT_EQ(events.polls, (std::vector<long>{0, 3, 3, 3, 10, 11, 13}));
    EXPECT_EQ(s.hp[0], 20.0f) << "no block struck";
    EXPECT_EQ(queueDigits(s.queues[1]), "11");
}

TEST_F(MatchLoop, WinnerScreenNamesTheSurvivorAndWaitsForANewSpace) {
    // Player 1 at 0.5 exchanges two cells; player 2's stock of one fire strikes for 1.0.
    MatchState s = twoHumans(quietBoard());
    s.hp[0] = 0.5f;
    s.queues[1] = queueFrom("1");
    swapFirstTwoCells(keys, 0, keyD, keySpace);
    keys.hold(30, 40, keySpace); // held from the strike into the winner screen
    keys.tap(45, keySpace);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    EXPECT_FLOAT_EQ(s.hp[0], -0.5f);
    EXPECT_EQ(events.events.back(), "winner");
    EXPECT_EQ(events.polls.back(), 33);
    // The winner frame reading poll 45 saw the new SPACE and ended before its pump.
    EXPECT_EQ(headless::pollCount(), 45);
    for (long poll = 34; poll <= 45; ++poll) {
        EXPECT_EQ(log.at(poll).winner, "2Pのかち") << poll;
        EXPECT_TRUE(log.at(poll).backdrop);
        EXPECT_EQ(log.at(poll).caption, "1Pのターン");
    }
    const Frame& last = headless::lastFrame();
    ASSERT_FALSE(last.empty());
    const auto& text = last.back();
    EXPECT_EQ(text.text, "2Pのかち");
    EXPECT_EQ(text.x, 240);
    EXPECT_EQ(text.y, 400);
    EXPECT_EQ(text.colour, opaqueWhite);
    EXPECT_EQ(text.height, 36);
    EXPECT_EQ(text.face, "ＭＳ Ｐゴシック");
    EXPECT_EQ(text.format, 0u);
    EXPECT_EQ(countText(last, "1Pのかち"), 0);
    // The frame that saw SPACE was drawn up to the match screen and never presented.
    EXPECT_EQ(countFullScreenRects(headless::currentFrame(), opaqueBlack), 1);
    EXPECT_EQ(countText(headless::currentFrame(), "2Pのかち"), 0);
}

TEST_F(MatchLoop, AClickAnywhereLeavesTheWinnerScreenAsSpaceDoesAndNoSooner) {
    // As above, with clicks: one during the strike (nothing offered there) changes nothing, the
    // winner screen's frames are drawn as with keys, and a click in a corner of it leaves.
    MatchState s = twoHumans(quietBoard());
    s.hp[0] = 0.5f;
    s.queues[1] = queueFrom("1");
    swapFirstTwoCells(keys, 0, keyD, keySpace);
    keys.click(30, 320, 240);
    keys.click(45, 2, 478);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(events.polls.back(), 33) << "the click in the strike did not end it";
    EXPECT_EQ(headless::pollCount(), 45);
    for (long poll = 34; poll <= 45; ++poll) {
        EXPECT_EQ(log.at(poll).winner, "2Pのかち") << poll;
    }
    // Left as SPACE leaves: the match screen drawn once more under what follows
    // (kept: mixed-frame).
    EXPECT_EQ(countFullScreenRects(headless::currentFrame(), opaqueBlack), 1);
    EXPECT_EQ(countText(headless::currentFrame(), "2Pのかち"), 0);
}

TEST_F(MatchLoop, HitPointsOfExactlyZeroLoseTheMatch) {
    MatchState s = twoHumans(quietBoard());
    s.hp[0] = 1.0f;
    s.queues[1] = queueFrom("1");
    swapFirstTwoCells(keys, 0, keyD, keySpace);
    keys.tap(36, keyEscape);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(s.hp[0], 0.0f);
    EXPECT_EQ(events.events.back(), "winner");
    EXPECT_EQ(log.at(36).winner, "2Pのかち");
    EXPECT_EQ(countText(headless::lastFrame(), "1Pのかち"), 0);

    // The same for player 2.
    restart(&keys);
    MatchState two = twoHumans(quietBoard());
    two.currentPlayer = 1;
    two.hp[1] = 1.0f;
    two.queues[0] = queueFrom("1");
    keys.tap(1, keyReturn);
    keys.tap(2, keyRight);
    keys.tap(3, keyReturn);
    EXPECT_FALSE(runMatch(two));
    EXPECT_EQ(two.hp[1], 0.0f);
    EXPECT_EQ(countText(headless::lastFrame(), "1Pのかち"), 1);
    EXPECT_EQ(countText(headless::lastFrame(), "2Pのかち"), 0);
}

TEST_F(MatchLoop, PlayerTwosLinesGoToPlayerTwosQueue) {
    MatchState s = twoHumans(nearLineBoard());
    s.currentPlayer = 1;
    s.cursorCol = 2;
    s.cursorRow = 5;
    keys.tap(1, keyReturn);
    keys.tap(2, keyLeft);
    keys.tap(4, keyLeft);
    keys.tap(6, keyLeft);
    keys.tap(7, keyReturn);
    keys.tap(69, keyEscape);
    FrameLog log;
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(log.at(8).board, holesBoard());
    EXPECT_EQ(log.at(8).queue1, "111");
    EXPECT_EQ(log.at(8).queue0, "");
    EXPECT_EQ(log.at(8).caption, "2Pのターン");
    EXPECT_EQ(log.at(69).caption, "1Pのターン");
    EXPECT_EQ(queueDigits(s.queues[1]), "111");
}

TEST_F(MatchLoop, PlayerOneWinsWhenPlayerTwoFallsAndEscapeLeavesTheWinnerScreen) {
    MatchState s = twoHumans(quietBoard());
    s.currentPlayer = 1;
    s.hp[1] = 0.5f;
    s.queues[0] = queueFrom("1");
    swapFirstTwoCells(keys, 0, keyRight, keyReturn);
    keys.tap(40, keyEscape);
    FrameLog log;
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(headless::pollCount(), 40);
    EXPECT_EQ(log.at(40).winner, "1Pのかち");
    EXPECT_EQ(log.at(40).caption, "2Pのターン");
    EXPECT_EQ(countText(headless::lastFrame(), "2Pのかち"), 0);
}

TEST_F(MatchLoop, QuitUnwindsFromEveryLoopWithinTheFrame) {
    struct Case {
        const char* where;
        long limit;
        bool cascade; // the fire-line exchange, else the two-cell exchange
        const char* stock;
        bool blankFrame;
        int redRects;
        const char* winner;
    };
    const Case cases[] = {
        {"human turn", 2, false, "", false, 0, ""},
        {"cascade holes", 20, true, "", false, 0, ""},
        {"cascade settled", 50, true, "", false, 0, ""},
        {"bare frame after cascade", 67, true, "", true, 0, ""},
        {"clash step pause", 70, true, "55", false, 0, ""},
        {"damage pause", 10, false, "1", false, 0, ""},
        {"strike flash", 23, false, "1", false, 1, ""},
        {"strike", 27, false, "1", false, 0, ""},
        {"winner screen", 40, false, "1", false, 0, "2Pのかち"},
        {"bare frame", 3, false, "", true, 0, ""},
    };
    for (const Case& c : cases) {
        restart();
        headless::KeyScript script;
        MatchState s = twoHumans(c.cascade ? nearLineBoard() : quietBoard());
        if (c.cascade) {
            s.cursorCol = 2;
            s.cursorRow = 5;
            exchange32And35(script);
        } else {
            swapFirstTwoCells(script, 0, keyD, keySpace);
        }
        s.queues[1] = queueFrom(c.stock);
        if (std::string(c.where) == "winner screen") {
            s.hp[0] = 0.5f;
        }
        headless::setKeySource(&script);
        headless::setPollLimit(c.limit);
        EXPECT_TRUE(runMatch(s)) << c.where;
        EXPECT_EQ(headless::pollCount(), c.limit) << c.where;
        EXPECT_EQ(headless::quitCount(), 1) << c.where << ": no pump after the quit";
        const Frame& unfinished = headless::currentFrame();
        if (c.blankFrame) {
            EXPECT_TRUE(unfinished.empty()) << c.where;
        } else {
            EXPECT_EQ(countFullScreenRects(unfinished, opaqueBlack), 1)
                << c.where << ": exactly one frame drawn, nothing after the quit";
        }
        EXPECT_EQ(countFullScreenRects(unfinished, opaqueRed), c.redRects) << c.where;
        EXPECT_EQ(countText(unfinished, "2Pのかち"), std::string(c.winner).empty() ? 0 : 1)
            << c.where;
    }
}

TEST_F(MatchLoop, EscapeInsideTheComputersTurnEndsOnlyThatTurn) {
    // Personality 1 finds nothing to clear on the quiet board, so it is still thinking when ESC
    // comes in its third frame.
    MatchState s = boardFrom(quietBoard());
    s.opponentType = 1;
    s.currentPlayer = 1;
    keys.tap(3, keyEscape);
    keys.tap(6, keyEscape);
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runMatch(s));
    const std::vector<std::string> expected = {"turn 2P", "end computer", "settled",
                                               "clash",   "turn 1P",      "end human"};
    EXPECT_EQ(events.events, expected);
    EXPECT_EQ(events.polls, (std::vector<long>{0, 3, 3, 3, 4, 6}));
    EXPECT_EQ(boardDigits(s), quietBoard()) << "no exchange was made";
    for (long poll = 1; poll <= 3; ++poll) {
        EXPECT_EQ(log.at(poll).caption, "2Pのターン") << "the caption names 2P while it plays";
        EXPECT_TRUE(log.at(poll).backdrop);
    }
    EXPECT_EQ(log.at(4).draws, 0u);
    EXPECT_EQ(log.at(5).caption, "1Pのターン");
}

TEST_F(MatchLoop, QuitDuringTheComputersTurnEndsAtOnce) {
    MatchState s = boardFrom(quietBoard());
    s.opponentType = 4;
    s.currentPlayer = 1;
    headless::setPollLimit(5);
    EventLog events;
    EXPECT_TRUE(runMatch(s));
    EXPECT_EQ(headless::pollCount(), 5);
    EXPECT_EQ(headless::quitCount(), 1);
    EXPECT_EQ(events.events, (std::vector<std::string>{"turn 2P"}));
    EXPECT_EQ(countFullScreenRects(headless::currentFrame(), opaqueBlack), 1);
}
