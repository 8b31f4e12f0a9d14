// The hue wheel of the hit-point bars: the named colours, mixing with white and the wrap rule.
#include <gtest/gtest.h>

#include "gfx/hue.h"

using namespace kokurin;

TEST(HueToColour, PrimaryAndMixedHuesAtFullSaturation) {
    EXPECT_EQ(hueToColour(0.0f, 1.0f), 0x00FF0000u);
    EXPECT_EQ(hueToColour(4.0f, 1.0f), 0x00FFFF00u);
    EXPECT_EQ(hueToColour(8.0f, 1.0f), 0x0000FF00u);
    EXPECT_EQ(hueToColour(12.0f, 1.0f), 0x0000FFFFu);
    EXPECT_EQ(hueToColour(16.0f, 1.0f), 0x000000FFu);
    EXPECT_EQ(hueToColour(20.0f, 1.0f), 0x00FF00FFu);
}

TEST(HueToColour, ChannelsFallLinearlyBetweenFourAndEightSteps) {
    // Green is 2 steps from its centre (full), red 6 (half, truncated to 127).
    EXPECT_EQ(hueToColour(6.0f, 1.0f), 0x007FFF00u);
    // Blue 6 steps from its centre gives half; red is full within 4 steps of 24.
    EXPECT_EQ(hueToColour(22.0f, 1.0f), 0x00FF007Fu);
    // Red 7 steps away: a quarter, 63.75 truncated.
    EXPECT_EQ(hueToColour(7.0f, 1.0f) >> 16, 0x3Fu);
}

TEST(HueToColour, SaturationMixesWithWhite) {
    EXPECT_EQ(hueToColour(2.0f, 0.5f), 0x00FFBF7Fu);
    EXPECT_EQ(hueToColour(0.0f, 0.0f), 0x00FFFFFFu);
    EXPECT_EQ(hueToColour(13.0f, 0.0f), 0x00FFFFFFu);
}

TEST(HueToColour, HuesAboveTwentyFourWrapAndTwentyFourItselfIsRed) {
    EXPECT_EQ(hueToColour(26.0f, 1.0f), hueToColour(2.0f, 1.0f));
    EXPECT_EQ(hueToColour(24.0f, 1.0f), hueToColour(0.0f, 1.0f));
    EXPECT_EQ(hueToColour(24.0f, 1.0f), 0x00FF0000u);
    EXPECT_EQ(hueToColour(58.0f, 0.5f), hueToColour(10.0f, 0.5f));
    EXPECT_EQ(hueToColour(48.0f, 1.0f), hueToColour(24.0f, 1.0f));
}

TEST(HueToColour, NegativeHuesAreUsedUnchanged) {
    // -2 is two steps from red's centre at 0 and not taken as 22, whose blue is half on.
    EXPECT_EQ(hueToColour(-2.0f, 1.0f), 0x00FF0000u);
    EXPECT_NE(hueToColour(-2.0f, 1.0f), hueToColour(22.0f, 1.0f));
    EXPECT_EQ(hueToColour(-10.0f, 1.0f), 0x00000000u);
}

TEST(HueToColour, AlphaByteIsAlwaysZero) {
    for (int step = -30; step <= 80; ++step) {
        for (float saturation : {0.0f, 0.3f, 1.0f}) {
            EXPECT_EQ(hueToColour(step * 0.5f, saturation) & 0xFF000000u, 0u)
                << "hue " << step * 0.5f << " saturation " << saturation;
        }
    }
}
