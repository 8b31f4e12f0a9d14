// Several grids offered in one frame: each numbers its targets from its first, the one offered
// last is on top where they overlap, no target reaches the byte's 255, and the pump's take
// leaves nothing for the next frame.
#include <gtest/gtest.h>

#include "input/pick_targets.h"

using namespace kokurin;

TEST(PickTargets, GridsOfOneFrameNumberApartAndTheLastOfferedIsOnTop) {
    takeOfferedPicks();
    offerPicks(PickGrid{0, 0, 640, 480, 1, 1, 0});
    offerPicks(PickGrid{100, 100, 10, 10, 3, 2, 200});
    const OfferedPicks offered = takeOfferedPicks();
    EXPECT_EQ(pickTargetAt(offered, 5, 5), 0);
    EXPECT_EQ(pickTargetAt(offered, 125, 115), 205) << "row 1, column 2 of the top grid";
    EXPECT_EQ(pickTargetAt(offered, 130, 100), 0) << "right of the top grid: the one below";
    EXPECT_EQ(pickTargetAt(offered, 640, 10), -1);
    EXPECT_EQ(takeOfferedPicks().count, 0) << "taken once";

    // Targets past what a frame's input holds are none.
    EXPECT_EQ(pickTargetAt(PickGrid{0, 0, 1, 1, 16, 100, 0}, 14, 15), 254);
    EXPECT_EQ(pickTargetAt(PickGrid{0, 0, 1, 1, 16, 100, 0}, 15, 15), -1);
    EXPECT_EQ(pickTargetAt(PickGrid{0, 0, 1, 1, 16, 100, 0}, 0, 99), -1);
    EXPECT_EQ(pickTargetAt(PickGrid{0, 0, 10, 10, 1, 1, 255}, 1, 1), -1);
    EXPECT_EQ(pickTargetAt(PickGrid{0, 0, 10, 10, 1, 1, -3}, 1, 1), -1);

    // More grids than a frame keeps: the first ones stay offered.
    for (int i = 0; i < OfferedPicks::capacity + 4; ++i) {
        offerPicks(PickGrid{i, 0, 1, 1, 1, 1, i});
    }
    const OfferedPicks full = takeOfferedPicks();
    EXPECT_EQ(full.count, OfferedPicks::capacity);
    EXPECT_EQ(pickTargetAt(full, 3, 0), 3);
}
