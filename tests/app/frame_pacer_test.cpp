// The frame pacer: at most 60 frames a second, no drift, catch-up after a small delay and a
// fresh start after a long one.
#include <gtest/gtest.h>

#include "app/frame_pacer.h"

using namespace kokurin;

TEST(FramePacer, FirstFrameNeverWaits) {
    FramePacer pacer(1000, 60);
    EXPECT_EQ(pacer.ticksToWait(12345), 0);
}

TEST(FramePacer, FastFramesWaitOutTheRestOfTheSixtieth) {
    FramePacer pacer(6000, 60);
    pacer.ticksToWait(0);
    EXPECT_EQ(pacer.ticksToWait(30), 70);
    // The next deadline runs on from the previous one (100), not from when waiting ended.
    EXPECT_EQ(pacer.ticksToWait(150), 50);
}

TEST(FramePacer, SixtyFramesTakeExactlyOneSecondWithoutDrift) {
    // A clock of 1000 ticks does not divide by 60; the rounding must not accumulate.
    FramePacer pacer(1000, 60);
    std::int64_t now = 0;
    pacer.ticksToWait(now);
    for (int frame = 1; frame <= 600; ++frame) {
        now += 3; // drawing and presenting
        now += pacer.ticksToWait(now);
    }
    EXPECT_EQ(now, 10000);
}

TEST(FramePacer, Overslept1msEachFrameStillAveragesSixty) {
    FramePacer pacer(1000000, 60);
    std::int64_t now = 0;
    pacer.ticksToWait(now);
    for (int frame = 1; frame <= 600; ++frame) {
        now += 2000;
        std::int64_t wait = pacer.ticksToWait(now);
        now += wait + (wait > 0 ? 1000 : 0); // the sleep overshoots by a millisecond
    }
    // 600 frames end within one late wake-up of ten seconds.
    EXPECT_GE(now, 10000000);
    EXPECT_LE(now, 10001000);
}

TEST(FramePacer, SlightlyLateFrameIsCaughtUpByTheNext) {
    FramePacer pacer(6000, 60);
    pacer.ticksToWait(0);
    // Deadline 100, frame ends at 160: late by less than a frame, no wait.
    EXPECT_EQ(pacer.ticksToWait(160), 0);
    // The following deadline is still 200.
    EXPECT_EQ(pacer.ticksToWait(170), 30);
}

TEST(FramePacer, MoreThanAFrameLateStartsAgainFromNow) {
    FramePacer pacer(6000, 60);
    pacer.ticksToWait(0);
    // Deadline 100, frame ends at 1000: no burst of catch-up frames follows.
    EXPECT_EQ(pacer.ticksToWait(1000), 0);
    EXPECT_EQ(pacer.ticksToWait(1010), 90);
    EXPECT_EQ(pacer.ticksToWait(1100), 100);
}

TEST(FramePacer, RestartForgetsThePreviousDeadlines) {
    FramePacer pacer(6000, 60);
    pacer.ticksToWait(0);
    pacer.restart();
    EXPECT_EQ(pacer.ticksToWait(50), 0);
    EXPECT_EQ(pacer.ticksToWait(60), 90);
}

TEST(FramePacer, DeadlinesStayOnTheExactGrid) {
    // A 10 MHz clock: after 1000 frames the deadline is still on the exact 1/60 s grid.
    FramePacer pacer(10000000, 60);
    pacer.ticksToWait(0);
    std::int64_t now = 0;
    for (int frame = 1; frame <= 1000; ++frame) {
        now += pacer.ticksToWait(now);
    }
    EXPECT_EQ(now, 166666666);
}
