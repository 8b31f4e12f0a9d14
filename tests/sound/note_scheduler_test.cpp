// The note scheduler: reset values, rows that fire at the next tick, once-per-tick firing, the
// tempo timing (in 64 bits past twenty minutes) and looping schedules.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sound/note_scheduler.h"

using namespace kokurin;

namespace {

std::vector<int> played;

std::int32_t recordRow(int row) {
    played.push_back(row);
    return 0;
}

class NoteSchedulerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        played.clear();
        std::memset(&scheduler, 0x5A, sizeof scheduler);
        resetScheduler(scheduler, 0);
    }

    // A row timed at tempo 120 with rate 16: one step every 125 ms.
    void setTimedRow(int index, int repeats, int period, int offset) {
        scheduler.rows[index] = ScheduleRow{0, repeats, period, 16, offset};
    }

    bool dueBetween(int previousElapsed, int currentElapsed) {
        scheduler.previousElapsed = previousElapsed;
        scheduler.currentElapsed = currentElapsed;
        return findDueRow(scheduler) != 0;
    }

    NoteScheduler scheduler;
};

} // namespace

TEST_F(NoteSchedulerTest, ResetGivesTheStartValues) {
    resetScheduler(scheduler, 70000);
    EXPECT_EQ(scheduler.tempo, 120);
    EXPECT_EQ(scheduler.loopLength, 0);
    EXPECT_EQ(scheduler.currentElapsed, -499);
    EXPECT_EQ(scheduler.previousElapsed, -501);
    EXPECT_EQ(scheduler.startTime, 70500u);
    for (const ScheduleRow& row : scheduler.rows) {
        ASSERT_EQ(row.firedThisTick, 0);
        ASSERT_EQ(row.repeatsLeft, 0);
        ASSERT_EQ(row.period, 0);
        ASSERT_EQ(row.rate, 0);
        ASSERT_EQ(row.offset, 0);
    }
}

TEST_F(NoteSchedulerTest, InactiveRowsOnlyAdvanceTheClock) {
    tickScheduler(scheduler, 600, recordRow);
    EXPECT_EQ(scheduler.previousElapsed, -499);
    EXPECT_EQ(scheduler.currentElapsed, 100);
    tickScheduler(scheduler, 617, recordRow);
    EXPECT_EQ(scheduler.previousElapsed, 100);
    EXPECT_EQ(scheduler.currentElapsed, 117);
    EXPECT_TRUE(played.empty());
}

TEST_F(NoteSchedulerTest, ImmediateRowFiresAtTheNextTickThenStops) {
    scheduler.rows[5] = ScheduleRow{0, 1, -1, 0, 0};
    tickScheduler(scheduler, 600, recordRow);
    EXPECT_EQ(played, std::vector<int>({5}));
    EXPECT_EQ(scheduler.rows[5].repeatsLeft, 0);
    EXPECT_EQ(scheduler.rows[5].firedThisTick, 0);
    tickScheduler(scheduler, 617, recordRow);
    EXPECT_EQ(played, std::vector<int>({5}));
}

TEST_F(NoteSchedulerTest, EndlessRowFiresOnEveryTickOncePerTick) {
    scheduler.rows[9] = ScheduleRow{0, -1, -1, 0, 0};
    scheduler.rows[3] = ScheduleRow{0, 3, -1, 0, 0};
    for (int tick = 0; tick < 5; ++tick) {
        tickScheduler(scheduler, 600 + 16 * tick, recordRow);
    }
    // Rows play in index order, each at most once per tick; row 3 runs out after three.
    EXPECT_EQ(played, std::vector<int>({3, 9, 3, 9, 3, 9, 9, 9}));
    EXPECT_EQ(scheduler.rows[9].repeatsLeft, -1);
    EXPECT_EQ(scheduler.rows[3].repeatsLeft, 0);
}

TEST_F(NoteSchedulerTest, TimedRowFiresOnceEvenWhenManyStepsPassedBetweenTicks) {
    // One step per cycle: from step 0.8 to step 80.4 the row's step came round 80 times.
    setTimedRow(4, -1, 1, 0);
    scheduler.previousElapsed = 100;
    scheduler.currentElapsed = 10050;
    scheduler.startTime = 0;
    tickScheduler(scheduler, 10016, recordRow);
    EXPECT_EQ(played, std::vector<int>({4}));
}

TEST_F(NoteSchedulerTest, TimedRowFiresWhenItsStepPassesTheOffset) {
    // Period 16 steps of 125 ms: every 2000 ms, at step 0 of the cycle.
    setTimedRow(1, -1, 16, 0);
    EXPECT_TRUE(dueBetween(1990, 2010));
    scheduler.rows[1].firedThisTick = 0;
    EXPECT_FALSE(dueBetween(2010, 2030));
    EXPECT_FALSE(dueBetween(500, 520));
    EXPECT_TRUE(dueBetween(3999, 4000));

    // Offset 4: step 4 of each cycle, 500 ms in.
    setTimedRow(1, -1, 16, 4);
    EXPECT_TRUE(dueBetween(490, 510));
    scheduler.rows[1].firedThisTick = 0;
    EXPECT_FALSE(dueBetween(1990, 2010));
    EXPECT_TRUE(dueBetween(2490, 2510));
}

TEST_F(NoteSchedulerTest, TimingHoldsAfterTwentyMinutes) {
    // At 1 250 000 ms, elapsed x rate x tempo is 2.4e9: past 32 bits.
    setTimedRow(1, -1, 16, 0);
    EXPECT_TRUE(dueBetween(1249990, 1250010));
    scheduler.rows[1].firedThisTick = 0;
    EXPECT_FALSE(dueBetween(1250010, 1250030));
    setTimedRow(1, -1, 16, 4);
    EXPECT_TRUE(dueBetween(1250490, 1250510));
    scheduler.rows[1].firedThisTick = 0;
    EXPECT_FALSE(dueBetween(1249990, 1250010));
    // An hour in, a two-second cycle still fires exactly once per two seconds of ticks.
    setTimedRow(1, -1, 16, 0);
    int fired = 0;
    for (int elapsed = 3600000; elapsed < 3610000; elapsed += 16) {
        scheduler.rows[1].firedThisTick = 0;
        fired += dueBetween(elapsed, elapsed + 16) ? 1 : 0;
    }
    EXPECT_EQ(fired, 5);
}

TEST_F(NoteSchedulerTest, RepeatsCountDownAtEachFiring) {
    setTimedRow(2, 2, 16, 0);
    EXPECT_TRUE(dueBetween(1990, 2010));
    EXPECT_EQ(scheduler.rows[2].repeatsLeft, 1);
    scheduler.rows[2].firedThisTick = 0;
    EXPECT_TRUE(dueBetween(3990, 4010));
    EXPECT_EQ(scheduler.rows[2].repeatsLeft, 0);
    scheduler.rows[2].firedThisTick = 0;
    EXPECT_FALSE(dueBetween(5990, 6010));
}

TEST_F(NoteSchedulerTest, LoopingScheduleStartsAgainAndRowsFireAgain) {
    // Period 64 steps (8 s) at step 8 (1000 ms): without a loop it fires at 1000 and 9000.
    setTimedRow(6, -1, 64, 8);
    scheduler.startTime = 0;
    scheduler.previousElapsed = 100;
    scheduler.currentElapsed = 100;
    scheduler.loopLength = 4000;
    std::vector<std::uint32_t> firedAt;
    bool sawWrap = false;
    for (std::uint32_t now = 110; now <= 9600; now += 10) {
        const int before = scheduler.currentElapsed;
        played.clear();
        tickScheduler(scheduler, now, recordRow);
        if (!played.empty()) {
            firedAt.push_back(now);
        }
        if (scheduler.currentElapsed < before) {
            // The tick after the elapsed time first passed the loop sees it about 4000 less.
            EXPECT_GT(before, 4000);
            EXPECT_LE(scheduler.currentElapsed, 20);
            sawWrap = true;
        }
    }
    EXPECT_TRUE(sawWrap);
    ASSERT_EQ(firedAt.size(), 3u);
    EXPECT_NEAR(firedAt[0], 1010.0, 10.0);
    EXPECT_NEAR(firedAt[1], 5020.0, 20.0);
    EXPECT_NEAR(firedAt[2], 9030.0, 30.0);
}

TEST_F(NoteSchedulerTest, DueRowZeroIsMarkedButEndsTheTick) {
    scheduler.rows[0] = ScheduleRow{0, 2, -1, 0, 0};
    scheduler.rows[5] = ScheduleRow{0, 1, -1, 0, 0};
    tickScheduler(scheduler, 600, recordRow);
    EXPECT_TRUE(played.empty());
    EXPECT_EQ(scheduler.rows[0].repeatsLeft, 1);
    EXPECT_EQ(scheduler.rows[5].repeatsLeft, 1);
}

TEST_F(NoteSchedulerTest, RowWithoutACycleNeverFires) {
    setTimedRow(7, -1, 0, 0);
    EXPECT_FALSE(dueBetween(0, 100000));
    scheduler.tempo = 0;
    setTimedRow(7, -1, 16, 0);
    EXPECT_FALSE(dueBetween(0, 100000));
}

TEST_F(NoteSchedulerTest, ClockDifferenceSurvivesTheMillisecondClockWrap) {
    resetScheduler(scheduler, 0xFFFFFF00u);
    tickScheduler(scheduler, 0x00000100u, recordRow);
    // The start, 500 ms after 0xFFFFFF00, wraps to 0xF4; 0x100 is 12 ms after it.
    EXPECT_EQ(scheduler.startTime, 0xF4u);
    EXPECT_EQ(scheduler.currentElapsed, 12);
}
