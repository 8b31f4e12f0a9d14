// What the game plays and when, on the headless front end with the sounds loaded: the frames on
// which each row fires and each slot plays, checked against the match's own events.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "headless/headless.h"
#include "screens/match_loop.h"
#include "screens/title_screen.h"
#include "sound/game_sounds.h"
#include "sound/sound_bank.h"
#include "sound/sound_schedule.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;
using namespace testing_support;

namespace {

// Idle frames before each match, so that the schedule's clock (which starts half a second after
// its reset) already runs when the match begins.
constexpr long lead = 40;

class GameSounds : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        loadSoundBank();
        resetSoundSchedule();
        for (long i = 0; i < lead; ++i) {
            pumpFrame();
        }
    }

    // The plays of one slot, as polls counted from the match's start.
    static std::vector<long> pollsOf(int slot) {
        std::vector<long> polls;
        for (const headless::PlayedSound& s : headless::soundsPlayed()) {
            if (s.slot == slot) {
                polls.push_back(s.poll - lead);
            }
        }
        return polls;
    }

    static int playsBetween(int firstSlot, int lastSlot) {
        int n = 0;
        for (const headless::PlayedSound& s : headless::soundsPlayed()) {
            n += s.slot >= firstSlot && s.slot <= lastSlot ? 1 : 0;
        }
        return n;
    }

    // Player 1 walks from (2,5) to (5,5) and exchanges it with (2,5): the bottom row then
    // reads 1 1 1 4 5 3, one line of fire. The exchange comes after poll 7 of the match.
    void clearOneLineOfFire(MatchState& s) {
        s = boardFrom(nearLineBoard());
        s.cursorCol = 2;
        s.cursorRow = 5;
        keys.tap(lead + 1, keySpace);
        keys.tap(lead + 2, keyA);
        keys.tap(lead + 4, keyA);
        keys.tap(lead + 6, keyA);
        keys.tap(lead + 7, keySpace);
    }
};

} // namespace

TEST_F(GameSounds, AClearingOfThreeFiresThreeRowsInOrderOnTheNoteGrid) {
    MatchState s;
    clearOneLineOfFire(s);
    keys.tap(lead + 90, keyEscape);
    EXPECT_FALSE(runMatch(s));

    // The keys, each heard with the frame that reads it: a select click, three cursor ticks,
    // then the exchange.
    EXPECT_EQ(pollsOf(slotSelect), std::vector<long>{2});
    EXPECT_EQ(pollsOf(slotCursor), (std::vector<long>{3, 5, 7}));
    EXPECT_EQ(pollsOf(slotExchange), std::vector<long>{8});
    // Fire's tone, a degree higher for each cell: at once with the first cascade frame, then
    // one grid step (62.5 ms: three or four frames) apart.
    const std::vector<long> first = pollsOf(elementSlot(Fire, 0));
    const std::vector<long> second = pollsOf(elementSlot(Fire, 1));
    const std::vector<long> third = pollsOf(elementSlot(Fire, 2));
    ASSERT_EQ(first, std::vector<long>{8});
    ASSERT_EQ(second.size(), 1u);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_GE(second[0] - first[0], 1);
    EXPECT_LE(second[0] - first[0], 4);
    EXPECT_GE(third[0] - second[0], 3);
    EXPECT_LE(third[0] - second[0], 4);
    EXPECT_EQ(playsBetween(elementSlot(Fire, 3), elementSlot(Water, elementDegrees - 1)), 0);
    // The clash finds the other queue empty: the turn passes with its two-note chime.
    ASSERT_EQ(pollsOf(slotChimeLow).size(), 1u);
    ASSERT_EQ(pollsOf(slotChimeHigh).size(), 1u);
    // The low note at once, the high one on the second grid step after it (62.5 ms a step:
    // more than one step and at most two, 4 to 8 frames; a step later would be 9 or more).
    EXPECT_GE(pollsOf(slotChimeHigh)[0] - pollsOf(slotChimeLow)[0], 4);
    EXPECT_LE(pollsOf(slotChimeHigh)[0] - pollsOf(slotChimeLow)[0], 8);
    EXPECT_EQ(strongestElement(lastTally(), 0), Fire);
}

TEST_F(GameSounds, AStrikesThudLandsOnItsFlashFrameLouderForMoreDamage) {
    MatchState s = boardFrom(quietBoard());
    s.queues[0] = queueFrom("2");
    s.queues[1] = queueFrom("115");
    // Player 1 exchanges cells 0 and 1, which clears nothing.
    keys.tap(lead + 1, keySpace);
    keys.tap(lead + 2, keyD);
    keys.tap(lead + 3, keySpace);
    keys.tap(lead + 90, keyEscape);
    FrameLog log;
    EXPECT_FALSE(runMatch(s));

    // Metal meets water (two apart: both go), then the two fires strike.
    EXPECT_EQ(pollsOf(slotClashHit).size(), 1u);
    std::vector<long> flashes;
    for (const FrameSummary& frame : log.frames) {
        if (frame.redFlashes > 0) {
            flashes.push_back(frame.poll - lead);
        }
    }
    ASSERT_EQ(flashes.size(), 2u);
    EXPECT_EQ(pollsOf(strikeSlot(1.0f)), std::vector<long>{flashes[0]});
    EXPECT_EQ(pollsOf(strikeSlot(0.9f)), std::vector<long>{flashes[1]});
    EXPECT_GT(strikeSlot(1.0f), strikeSlot(0.9f)) << "the heavier strike, the louder thud";
    EXPECT_GT(strikeSlot(0.5f), strikeSlot(0.2f));
}

TEST_F(GameSounds, TwoClashingTonesSoundTogetherAndTheLastSecondsTick) {
    MatchState s = boardFrom(quietBoard());
    // Fire overcomes metal: both tones at once, then the fire stays as a stock.
    s.queues[0] = queueFrom("1");
    s.queues[1] = queueFrom("2");
    s.currentPlayer = 1;
    // Player 2 times out; the fire left standing strikes it; ESC in its next turn.
    keys.tap(lead + 360, keyEscape);
    EXPECT_FALSE(runMatch(s));
    EXPECT_EQ(pollsOf(elementSlot(Fire, 0)), pollsOf(elementSlot(Metal, 0)));
    EXPECT_EQ(pollsOf(elementSlot(Fire, 0)).size(), 1u);
    // Player 2's turn of 300 frames times out: a tick at 4, 3, 2, 1 and 0 seconds left.
    EXPECT_EQ(pollsOf(slotTimerTick), (std::vector<long>{60, 120, 180, 240, 300}));
}

TEST_F(GameSounds, MSilencesEverythingAndNothingElseChanges) {
    // The same match twice, the second time with M pressed twice along the way.
    MatchState s;
    clearOneLineOfFire(s);
    keys.tap(lead + 69, keyEscape);
    std::vector<FrameSummary> plain;
    {
        FrameLog log;
        runMatch(s);
        plain = log.frames;
    }
    const std::vector<headless::PlayedSound> loud = headless::soundsPlayed();

    restart(&keys);
    testRandom().seed(1);
    loadSoundBank();
    resetSoundSchedule();
    for (long i = 0; i < lead; ++i) {
        pumpFrame();
    }
    MatchState t;
    clearOneLineOfFire(t);
    keys.tap(lead + 5, keyM);
    keys.tap(lead + 40, keyM);
    FrameLog log;
    runMatch(t);
    ASSERT_EQ(log.frames.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(log.frames[i].board, plain[i].board);
        EXPECT_EQ(log.frames[i].timer, plain[i].timer);
        EXPECT_EQ(log.frames[i].draws, plain[i].draws);
    }
    // The same rows fire at the same frames; while muted they are not heard.
    const std::vector<headless::PlayedSound>& quiet = headless::soundsPlayed();
    ASSERT_EQ(quiet.size(), loud.size());
    for (std::size_t i = 0; i < quiet.size(); ++i) {
        EXPECT_EQ(quiet[i].slot, loud[i].slot);
        EXPECT_EQ(quiet[i].poll, loud[i].poll);
        const long poll = quiet[i].poll - lead;
        EXPECT_EQ(quiet[i].muted, poll > 5 && poll <= 40) << "at poll " << poll;
    }
    EXPECT_FALSE(headless::soundMutedByGame());
}

TEST_F(GameSounds, TheRosterSelectionAndTheWinnersJingle) {
    keys.tap(lead + 2, keyS);
    keys.tap(lead + 4, keyS);
    keys.tap(lead + 6, keyW);
    keys.tap(lead + 8, keyEscape);
    EXPECT_FALSE(runTitleScreen());
    // Each entry's tone with the frame after the key: 1 and 2 going down, 1 again going up.
    EXPECT_EQ(pollsOf(slotTitleFirst + 1), (std::vector<long>{3, 7}));
    EXPECT_EQ(pollsOf(slotTitleFirst + 2), std::vector<long>{5});

    // A winner who cleared mostly water: the jingle is water's, its seven notes on their steps.
    ClearedTally tally;
    tally.counts[1][Water] = 2;
    tally.counts[1][Earth] = 1;
    EXPECT_EQ(strongestElement(tally, 1), Water);
    EXPECT_EQ(strongestElement(tally, 0), Earth) << "nothing cleared: the scale's first tone";
    const long start = headless::pollCount() - lead;
    SoundCue winner;
    winner.kind = SoundCue::Kind::Winner;
    winner.player = 1;
    winner.first = strongestElement(tally, 1);
    playSoundCue(winner);
    for (int i = 0; i < 150; ++i) {
        pumpFrame();
    }
    const int degrees[] = {0, 2, 4, 5, 7, 9, 10};
    const int steps[] = {0, 4, 8, 12, 14, 16, 24};
    long first = -1;
    for (int i = 0; i < 7; ++i) {
        std::vector<long> at = pollsOf(elementSlot(Water, degrees[i]));
        at.erase(std::remove_if(at.begin(), at.end(), [start](long p) { return p <= start; }),
                 at.end());
        ASSERT_EQ(at.size(), 1u) << "note " << i;
        if (i == 0) {
            first = at[0];
            EXPECT_EQ(first, start + 1);
            continue;
        }
        // 3.75 frames a step, counted from the grid step the first note fell on.
        const double expected = static_cast<double>(first) + steps[i] * 3.75;
        EXPECT_NEAR(static_cast<double>(at[0]), expected, 4.0) << "note " << i;
    }
}
