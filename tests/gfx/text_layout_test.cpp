// The layout rectangle of drawText: left-aligned up to the right edge, or centred on x.
#include <gtest/gtest.h>

#include <limits>

#include "gfx/text_layout.h"
#include "platform/platform.h"

using namespace kokurin;

TEST(TextLayout, FormatZeroStartsAtXYAndClipsAtTheRightEdge) {
    TextRect rect = textLayoutRect(120, 40, 18, 0);
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.bottom, 40 + 24 * 18);
}

TEST(TextLayout, CentreSpansSixHundredFortyPixelsAboutX) {
    TextRect rect = textLayoutRect(320, 200, 36, textCentre);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(rect.bottom, 200 + 24 * 36);
    rect = textLayoutRect(100, 0, 14, textCentre);
    EXPECT_EQ(rect.left, -220);
    EXPECT_EQ(rect.right, 420);
}

TEST(TextLayout, OnlyBitZeroCentres) {
    // DT_VCENTER (4) and DT_RIGHT (2) leave the rectangle as for format 0.
    TextRect rect = textLayoutRect(50, 60, 16, 6);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.right, 640);
    rect = textLayoutRect(50, 60, 16, 7);
    EXPECT_EQ(rect.left, 50 - 320);
    EXPECT_EQ(rect.right, 50 + 320);
}

TEST(TextLayout, ExtremeCoordinatesAreHeldAtTheLimitsOfInt) {
    const int big = std::numeric_limits<int>::max();
    TextRect rect = textLayoutRect(big - 10, big - 100, 40, textCentre);
    EXPECT_EQ(rect.right, big);
    EXPECT_EQ(rect.left, big - 10 - 320);
    EXPECT_EQ(rect.bottom, big);
    rect = textLayoutRect(std::numeric_limits<int>::min() + 5, 0, 16, textCentre);
    EXPECT_EQ(rect.left, std::numeric_limits<int>::min());
}
