// Whole matches from the title screen to the winner screen and back, on the headless front end:
// a human against each personality and two humans, the humans playing the hint's exchange with
// real key presses frame by frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "headless/headless.h"
#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "screens/hint.h"
#include "screens/match_loop.h"
#include "match/match_observer.h"
#include "screens/title_screen.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace testing_support;

namespace {

// Presses keys planned ahead, one poll each with a free poll between presses, and plays the
// humans' turns: at the start of each human turn it asks the hint for the best exchange and
// walks the cursor there with that seat's keys.
class HintPlayer : public headless::KeySource, public MatchObserver {
  public:
    explicit HintPlayer(int opponent) : opponent_(opponent) {}

    void keysDown(long poll, bool down[256]) override {
        auto found = planned_.find(poll);
        if (found != planned_.end()) {
            for (int code : found->second) {
                down[code] = true;
            }
        }
    }

    // Taps code for one poll, leaving a poll free after the previous tap so that each tap is
    // a new press.
    void tap(int code) {
        next_ = std::max(next_ + 2, headless::pollCount() + 2);
        planned_[next_].insert(code);
    }

    void turnStarted(const MatchState& state) override {
        ++turns_;
        bool computer = state.currentPlayer == 1 && state.opponentType != 0;
        if (computer) {
            return;
        }
        int c1 = 0;
        int r1 = 0;
        int c2 = 0;
        int r2 = 0;
        if (std::sscanf(hintText(state), "(%d,%d)-(%d,%d)", &c1, &r1, &c2, &r2) != 4) {
            return;
        }
        const int* keys = playerKeys[state.currentPlayer];
        int col = state.cursorCol;
        int row = state.cursorRow;
        next_ = 0;
        walk(keys, col, row, c1 - 1, r1 - 1);
        tap(keys[keySelectIndex]);
        walk(keys, col, row, c2 - 1, r2 - 1);
        tap(keys[keySelectIndex]);
        ++plannedExchanges_;
    }

    void swapMade(const MatchState& state, int first, int second) override { ++exchanges_; }

    void winnerScreen(const MatchState& state) override {
        winnerPoll_ = headless::pollCount();
        winnerHp_[0] = state.hp[0];
        winnerHp_[1] = state.hp[1];
        // Leave the winner screen with a fresh SPACE, then quit the title screen with ESC.
        next_ = 0;
        tap(keySpace);
        tap(keyEscape);
    }

    int turns() const { return turns_; }
    int exchanges() const { return exchanges_; }
    int plannedExchanges() const { return plannedExchanges_; }
    long winnerPoll() const { return winnerPoll_; }
    const float* winnerHp() const { return winnerHp_; }

  private:
    void walk(const int* keys, int& col, int& row, int toCol, int toRow) {
        while (col != toCol) {
            tap(keys[keyRightIndex]);
            col = (col + 1) % 6;
        }
        while (row != toRow) {
            tap(keys[keyDownIndex]);
            row = (row + 1) % 6;
        }
    }

    int opponent_;
    std::map<long, std::set<int>> planned_;
    long next_ = 0;
    int turns_ = 0;
    int exchanges_ = 0;
    int plannedExchanges_ = 0;
    long winnerPoll_ = -1;
    float winnerHp_[2] = {0, 0};
};

struct MatchRun {
    bool quit = true;
    int turns = 0;
    int exchanges = 0;
    int plannedExchanges = 0;
    long winnerPoll = -1;
    float hp[2] = {0, 0};
    std::string picture;
};

// Selects roster entry `opponent` with S, starts with SPACE, and plays until the title quits.
MatchRun playFromTitle(int opponent, std::uint32_t seed) {
    headless::reset();
    headless::setRecording(false);
    headless::setPollLimit(400000);
    testRandom().seed(seed);
    HintPlayer player(opponent);
    headless::setKeySource(&player);
    testObserver() = &player;
    for (int i = 0; i < opponent; ++i) {
        player.tap(keyS);
    }
    player.tap(keySpace);

    MatchRun run;
    run.quit = runTitleScreen();
    testObserver() = nullptr;
    run.turns = player.turns();
    run.exchanges = player.exchanges();
    run.plannedExchanges = player.plannedExchanges();
    run.winnerPoll = player.winnerPoll();
    run.hp[0] = player.winnerHp()[0];
    run.hp[1] = player.winnerHp()[1];
    run.picture = headless::currentPicture();
    headless::reset();
    return run;
}

} // namespace

TEST(WholeMatch, TwoHumansPlayTheHintToAWinnerAndBackToTheTitle) {
    MatchRun run = playFromTitle(0, 20261207);
    EXPECT_FALSE(run.quit) << "the title screen must end by ESC, not by the poll limit";
    ASSERT_GT(run.winnerPoll, 0) << "no winner after " << run.turns << " turns";
    // Exactly one player is above zero on the winner screen.
    EXPECT_NE(run.hp[0] > 0.0f, run.hp[1] > 0.0f);
    EXPECT_GT(run.exchanges, 2);
    EXPECT_EQ(run.picture, "data/mira.bmp");
}

TEST(WholeMatch, AHumanAgainstEachPersonalityReachesTheWinnerScreenAndReturns) {
    for (int opponent = 1; opponent < rosterSize; ++opponent) {
        SCOPED_TRACE(testing::Message() << "roster entry " << opponent);
        MatchRun run = playFromTitle(opponent, 1000u + static_cast<std::uint32_t>(opponent));
        EXPECT_FALSE(run.quit);
        ASSERT_GT(run.winnerPoll, 0) << "no winner after " << run.turns << " turns";
        EXPECT_NE(run.hp[0] > 0.0f, run.hp[1] > 0.0f);
        // The human made every exchange it planned, and the computer moved in between.
        EXPECT_GT(run.plannedExchanges, 0);
        EXPECT_GE(run.exchanges, run.plannedExchanges);
        EXPECT_GT(run.turns, run.plannedExchanges);
        // Back on the title screen the chosen entry's picture is still the one held.
        EXPECT_EQ(run.picture, std::string("data/") + rosterPortraits[opponent]);
    }
}
