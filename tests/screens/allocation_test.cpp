// The game's loops allocate nothing frame by frame, and the hint nothing per simulated pair:
// every operator new in the test program is counted while a measurement is on. The headless
// front end records nothing here (recording off), so what is counted is the game's own.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "screens/hint.h"
#include "screens/match_loop.h"
#include "screens/match_screen.h"
#include "screens/title_screen.h"
#include "support/allocation_counter.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

class Allocations : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        headless::setRecording(false);
    }
    void TearDown() override {
        stopCountingAllocations();
        ScreenTest::TearDown();
    }
    void start() { startCountingAllocations(); }
    long stop() { return stopCountingAllocations(); }
};

} // namespace

TEST_F(Allocations, CounterSeesAnAllocation) {
    // Kept in a volatile pointer so that the compiler cannot leave the allocation out.
    static ClearedQueue* volatile probe = nullptr;
    start();
    probe = new ClearedQueue;
    long seen = stop();
    delete probe;
    EXPECT_EQ(seen, 1);
}

TEST_F(Allocations, HintAllocatesNothingForItsSimulations) {
    MatchState s = boardFrom("120000"
                             "000000"
                             "000000"
                             "000000"
                             "000000"
                             "114225");
    s.queues[0] = queueFrom("333");
    s.currentPlayer = 1;
    start();
    const char* text = hintText(s);
    EXPECT_EQ(stop(), 0);
    EXPECT_STREQ(text, "(2,1)-(3,6)");
}

TEST_F(Allocations, HumanTurnClashAndPausesAllocateNothingPerFrame) {
    MatchState s = boardFrom(quietBoard());
    keys.tap(1, keySpace);
    keys.tap(2, keyD);
    keys.tap(3, keyA);
    start();
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(headless::pollCount(), 300);

    // The clash's pause and strikes, then 30 frames of the next turn (left with ESC).
    s.queues[1] = queueFrom("12345");
    keys.tap(300 + 20 + 50 + 30, keyEscape);
    start();
    EXPECT_FALSE(resolveClash(s));
    EXPECT_FALSE(humanTurn(s));
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(headless::pollCount(), 300 + 20 + 50 + 30);
}

TEST_F(Allocations, MatchWithCascadeAndTitleFramesAllocateNothing) {
    // The title screen with a match inside it, run short and long: the count must not grow
    // with the frames (the headless front end's record of the picture load is the same in both).
    long counts[2] = {};
    const long matchEnd[2] = {30, 330};
    const long titleEnd[2] = {60, 660};
    for (int run = 0; run < 2; ++run) {
        restart();
        headless::setRecording(false);
        headless::KeyScript script;
        script.tap(2, keySpace);              // start a match from the title
        script.tap(matchEnd[run], keyEscape); // abandon it in player 1's turn
        script.tap(titleEnd[run], keyEscape); // leave the title
        headless::setKeySource(&script);
        start();
        EXPECT_FALSE(runTitleScreen());
        counts[run] = stop();
        EXPECT_EQ(headless::pollCount(), titleEnd[run]);
    }
    EXPECT_EQ(counts[0], counts[1]);

    // A fire line made by exchanging cells 32 and 35, its cascade, the bare frame and the
    // next turn's frames.
    restart(&keys);
    headless::setRecording(false);
    testRandom().seed(1);
    MatchState s = boardFrom(nearLineBoard());
    s.cursorCol = 2;
    s.cursorRow = 5;
    headless::KeyScript swap;
    swap.tap(1, keySpace);
    swap.tap(2, keyA);
    swap.tap(4, keyA);
    swap.tap(6, keyA);
    swap.tap(7, keySpace);
    swap.tap(100, keyEscape);
    headless::setKeySource(&swap);
    start();
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(headless::pollCount(), 100);
    EXPECT_EQ(queueDigits(s.queues[0]), "111");
}
