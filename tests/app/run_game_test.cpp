// The start-up sequence every front end shares, on the headless front end: the order of its
// steps, the seed from the front end's clock, and the font taken back only when this process
// added it (a second copy or a failed display must not take it from the running game).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "platform/platform.h"
#include "rng/sfmt19937.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace testing_support;

namespace {

using Log = std::vector<std::string>;

bool seededFromTheClock = false;

// Stands in for the title screen: checks the generator was just seeded from the clock.
bool firstScreen(PlaySession& session) {
    Sfmt19937 expected;
    expected.seed(12345);
    const Sfmt19937& random = session.series.random;
    seededFromTheClock = random.index() == expected.index() &&
                         random.word(0) == expected.word(0) &&
                         random.word(623) == expected.word(623);
    return false;
}

int start(const headless::StartUp& startUp) {
    headless::reset();
    headless::setStartUp(startUp);
    seededFromTheClock = false;
    return runGame(firstScreen);
}

} // namespace

TEST(RunGame, StartsInTheGamesOrderSeedsFromTheClockAndTakesBackItsFont) {
    EXPECT_EQ(start({}), 0);
    EXPECT_EQ(
        headless::startUpLog(),
        (Log{"claimSingleInstance", "enterExecutableFolder", "openDisplay", "registerGameFont",
             "openInput", "openSound", "beginFirstFrame", "closeDisplay", "unregisterGameFont"}));
    EXPECT_TRUE(seededFromTheClock);
    EXPECT_TRUE(headless::messages().empty());
    headless::reset();
}

TEST(RunGame, ASecondCopyOnlySaysSoAndLeavesTheFontAlone) {
    headless::StartUp second;
    second.singleInstance = false;
    EXPECT_EQ(start(second), 0);
    EXPECT_EQ(headless::startUpLog(), Log{"claimSingleInstance"});
    EXPECT_EQ(headless::messages(), Log{"多重起動ですよ！"});
    EXPECT_FALSE(seededFromTheClock);
    headless::reset();
}

TEST(RunGame, NoDisplayEndsWithItsCodeAndAFontNotAddedStaysRegistered) {
    headless::StartUp noDisplay;
    noDisplay.display = 3;
    EXPECT_EQ(start(noDisplay), 3);
    EXPECT_EQ(headless::startUpLog(),
              (Log{"claimSingleInstance", "enterExecutableFolder", "openDisplay"}));

    // Another program had the font already: this run must not remove it.
    headless::StartUp fontThere;
    fontThere.fontAdded = false;
    EXPECT_EQ(start(fontThere), 0);
    const Log& log = headless::startUpLog();
    EXPECT_EQ(log.back(), "closeDisplay");
    EXPECT_EQ(std::count(log.begin(), log.end(), "unregisterGameFont"), 0);
    headless::reset();
}
