// The animated clash: which queue survives, whose turn follows, the damage figures in single
// precision, the frames of every phase with the red flash, and quit or ESC mid-way.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

class ClashSequence : public ScreenTest {
  protected:
    MatchState withQueues(const char* first, const char* second, int mover) {
        MatchState s = boardFrom(quietBoard());
        s.queues[0] = queueFrom(first);
        s.queues[1] = queueFrom(second);
        s.currentPlayer = static_cast<std::uint8_t>(mover);
        return s;
    }
};

} // namespace

TEST_F(ClashSequence, SurvivingBlockStrikesTheMoverWhoPlaysAgain) {
    // Water against metal: both go, player 1's fire is left over.
    MatchState s = withQueues("15", "2", 1);
    FrameLog log;
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(s.currentPlayer, 1) << "the mover plays again";
    EXPECT_FLOAT_EQ(s.hp[1], 19.0f);
    EXPECT_EQ(s.hp[0], 20.0f);
    EXPECT_TRUE(s.queues[0].empty());
    EXPECT_TRUE(s.queues[1].empty());
    // No pause after the emptying step, 20 frames of pause, 10 frames for the block.
    ASSERT_EQ(headless::pollCount(), 30);
    for (int poll = 1; poll <= 20; ++poll) {
        EXPECT_EQ(log.at(poll).redFlashes, 0) << poll;
        EXPECT_EQ(log.at(poll).queue0, "1") << "the block waits during the pause";
    }
    EXPECT_TRUE(log.at(21).redFlashOnTop);
    EXPECT_EQ(log.at(21).redFlashes, 1);
    EXPECT_TRUE(log.at(21).backdrop) << "the flash covers a complete match screen";
    EXPECT_EQ(log.at(21).queue0, "") << "the block is gone when it strikes";
    for (int poll = 22; poll <= 30; ++poll) {
        EXPECT_EQ(log.at(poll).redFlashes, 0) << poll;
        EXPECT_TRUE(log.at(poll).backdrop);
    }
}

TEST_F(ClashSequence, SurvivorsOfTheMoverWaitAndTheTurnPasses) {
    MatchState s = withQueues("15", "2", 0);
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(s.currentPlayer, 1);
    EXPECT_EQ(queueDigits(s.queues[0]), "1");
    EXPECT_TRUE(s.queues[1].empty());
    EXPECT_EQ(headless::pollCount(), 0) << "no frame is shown";
    EXPECT_EQ(s.hp[0], 20.0f);
    EXPECT_EQ(s.hp[1], 20.0f);
}

TEST_F(ClashSequence, EachStepThatLeavesBothQueuesGetsTenFrames) {
    // Player 1's stock of three fire against player 2's two water: water overcomes fire
    // three times; the third step empties player 1's queue without a pause of its own.
    MatchState s = withQueues("111", "55", 1);
    FrameLog log;
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(headless::pollCount(), 20);
    EXPECT_EQ(s.currentPlayer, 0) << "player 1 holds nothing, so the turn passes";
    EXPECT_TRUE(s.queues[0].empty());
    EXPECT_EQ(queueDigits(s.queues[1]), "55");
    for (int poll = 1; poll <= 10; ++poll) {
        EXPECT_EQ(log.at(poll).queue0, "11");
    }
    for (int poll = 11; poll <= 20; ++poll) {
        EXPECT_EQ(log.at(poll).queue0, "1");
        EXPECT_EQ(log.at(poll).queue1, "55");
        EXPECT_EQ(log.at(poll).redFlashes, 0);
    }
    EXPECT_EQ(s.hp[0], 20.0f);
    EXPECT_EQ(s.hp[1], 20.0f);
}

TEST_F(ClashSequence, UntouchedStockOfThreeStrikesThreeTimes) {
    MatchState s = withQueues("", "345", 0);
    FrameLog log;
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(s.currentPlayer, 0);
    EXPECT_NEAR(s.hp[0], 17.29f, 1e-5f);
    EXPECT_EQ(headless::pollCount(), 20 + 30);
    int flashes = 0;
    for (const auto& frame : log.frames) {
        flashes += frame.redFlashes;
    }
    EXPECT_EQ(flashes, 3);
    EXPECT_TRUE(log.at(21).redFlashOnTop);
    EXPECT_TRUE(log.at(31).redFlashOnTop);
    EXPECT_TRUE(log.at(41).redFlashOnTop);
    // The back block goes first.
    EXPECT_EQ(log.at(21).queue1, "34");
    EXPECT_EQ(log.at(31).queue1, "3");
    EXPECT_EQ(log.at(41).queue1, "");
}

TEST_F(ClashSequence, DamageShrinksByNineTenthsInSinglePrecision) {
    struct Case {
        const char* stock;
        float hp;
    };
    for (Case c : {Case{"1", 19.0f}, Case{"11", 18.1f}, Case{"111", 17.29f},
                   Case{"11111", 15.9049f}, Case{"1111111111", 13.4868f}}) {
        restart();
        MatchState s = withQueues(c.stock, "", 1);
        EXPECT_FALSE(resolveClash(s));
        EXPECT_NEAR(s.hp[1], c.hp, 2e-4f) << c.stock;
        EXPECT_EQ(s.hp[0], 20.0f);
    }
    // Exactly as the float steps give them.
    MatchState two = withQueues("11", "", 1);
    resolveClash(two);
    EXPECT_EQ(two.hp[1], (20.0f - 1.0f) - 0.9f);
    MatchState three = withQueues("111", "", 1);
    resolveClash(three);
    EXPECT_EQ(three.hp[1], ((20.0f - 1.0f) - 0.9f) - 0.9f * 0.9f);
    // Single-precision steps all the way: 15.9049006 after five, 13.486784 after ten.
    MatchState five = withQueues("11111", "", 1);
    resolveClash(five);
    EXPECT_EQ(five.hp[1], 0x1.fcf4f2p+3f);
    MatchState ten = withQueues("1111111111", "", 1);
    resolveClash(ten);
    EXPECT_EQ(ten.hp[1], 0x1.af93bcp+3f);
}

TEST_F(ClashSequence, BothQueuesEmptyShowsNothingAndPassesTheTurn) {
    MatchState s = withQueues("", "", 1);
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(s.currentPlayer, 0);
    EXPECT_EQ(headless::pollCount(), 0);

    // Destroyed on both sides in one step: also passes.
    MatchState both = withQueues("3", "3", 0);
    EXPECT_FALSE(resolveClash(both));
    EXPECT_EQ(both.currentPlayer, 1);
    EXPECT_EQ(headless::pollCount(), 0);
}

TEST_F(ClashSequence, HitPointsGoOnFallingBelowZero) {
    MatchState s = withQueues("", "1111", 0);
    s.hp[0] = 1.5f;
    EXPECT_FALSE(resolveClash(s));
    // 1.0 + 0.9 + 0.81 + 0.729 = 3.439
    EXPECT_NEAR(s.hp[0], 1.5f - 3.439f, 1e-5f);
    EXPECT_TRUE(s.queues[1].empty());
    EXPECT_EQ(headless::pollCount(), 20 + 40);
}

TEST_F(ClashSequence, EscapeStopsWhereTheClashHadGot) {
    // ESC in the second clash pause: one step made, the turn not passed.
    MatchState s = withQueues("111", "55", 1);
    keys.tap(12, keyEscape);
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(headless::pollCount(), 12);
    EXPECT_EQ(queueDigits(s.queues[0]), "1");
    EXPECT_EQ(s.currentPlayer, 1);

    // ESC in the damage pause: no damage yet.
    restart();
    headless::setKeySource(&keys);
    MatchState pause = withQueues("", "11", 0);
    EXPECT_FALSE(resolveClash(pause));
    EXPECT_EQ(headless::pollCount(), 12);
    EXPECT_EQ(pause.hp[0], 20.0f);
    EXPECT_EQ(queueDigits(pause.queues[1]), "11");

    // ESC on a strike's flash frame: that block's damage stays dealt.
    restart();
    headless::KeyScript strikeKeys;
    strikeKeys.tap(21, keyEscape);
    headless::setKeySource(&strikeKeys);
    MatchState strike = withQueues("", "11", 0);
    EXPECT_FALSE(resolveClash(strike));
    EXPECT_EQ(headless::pollCount(), 21);
    EXPECT_EQ(strike.hp[0], 19.0f);
    EXPECT_EQ(queueDigits(strike.queues[1]), "1");
    EXPECT_EQ(strike.currentPlayer, 0);

    // ESC held since before the clash is no press.
    restart();
    headless::KeyScript held;
    held.hold(1, 60, keyEscape);
    keyState[keyEscape] = 3;
    headless::setKeySource(&held);
    MatchState full = withQueues("", "11", 0);
    EXPECT_FALSE(resolveClash(full));
    EXPECT_EQ(headless::pollCount(), 40);
    EXPECT_NEAR(full.hp[0], 18.1f, 1e-5f);
}

TEST_F(ClashSequence, QuitReturnsAtOnceFromEveryPhase) {
    struct Case {
        const char* first;
        const char* second;
        long limit;
        float hp;
        int redOnQuitFrame;
    };
    // In a clash pause; in the damage pause; on a flash frame; on a later strike frame.
    for (Case c : {Case{"111", "55", 5, 20.0f, 0}, Case{"", "11", 10, 20.0f, 0},
                   Case{"", "11", 20, 19.0f, 1}, Case{"", "11", 35, 18.1f, 0}}) {
        restart();
        headless::setPollLimit(c.limit);
        MatchState s = withQueues(c.first, c.second, 0);
        EXPECT_TRUE(resolveClash(s)) << c.limit;
        EXPECT_EQ(headless::pollCount(), c.limit);
        EXPECT_EQ(headless::quitCount(), 1) << "no pump after the quit";
        const Frame& unfinished = headless::currentFrame();
        EXPECT_EQ(countFullScreenRects(unfinished, opaqueBlack), 1) << "no draw after the quit";
        EXPECT_EQ(countFullScreenRects(unfinished, opaqueRed), c.redOnQuitFrame);
        EXPECT_NEAR(s.hp[0], c.hp, 1e-5f);
        EXPECT_EQ(s.currentPlayer, 0);
    }
}
