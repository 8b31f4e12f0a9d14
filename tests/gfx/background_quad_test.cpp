// The picture quad: corners for scale, pivot, rotation and mirroring, and the texture
// coordinates that show the top-left 128 x 128 texels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gfx/background_quad.h"

using namespace kokurin;

namespace {

struct Bounds {
    float left, top, right, bottom;
};

Bounds boundsOf(const TexturedVertex quad[4]) {
    Bounds b{quad[0].x, quad[0].y, quad[0].x, quad[0].y};
    for (int i = 1; i < 4; ++i) {
        b.left = std::min(b.left, quad[i].x);
        b.right = std::max(b.right, quad[i].x);
        b.top = std::min(b.top, quad[i].y);
        b.bottom = std::max(b.bottom, quad[i].y);
    }
    return b;
}

// Signed area of triangle (a, b, c) in screen coordinates (y down): positive is clockwise as
// seen on screen.
float screenWinding(const TexturedVertex& a, const TexturedVertex& b, const TexturedVertex& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

} // namespace

TEST(BackgroundQuad, ScaleOneCoversExactlyTheSquareAtXY) {
    TexturedVertex quad[4];
    ASSERT_TRUE(fillBackgroundQuad(quad, 300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128));
    // Strip order: left-bottom, left-top, right-bottom, right-top.
    EXPECT_FLOAT_EQ(quad[0].x, 300.0f);
    EXPECT_FLOAT_EQ(quad[0].y, 228.0f);
    EXPECT_FLOAT_EQ(quad[1].x, 300.0f);
    EXPECT_FLOAT_EQ(quad[1].y, 100.0f);
    EXPECT_FLOAT_EQ(quad[2].x, 428.0f);
    EXPECT_FLOAT_EQ(quad[2].y, 228.0f);
    EXPECT_FLOAT_EQ(quad[3].x, 428.0f);
    EXPECT_FLOAT_EQ(quad[3].y, 100.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(quad[i].z, 0.0f);
        EXPECT_FLOAT_EQ(quad[i].rhw, 1.0f);
        EXPECT_EQ(quad[i].colour, 0xFFFFFFFFu);
    }
}

TEST(BackgroundQuad, ScaleTwoGrowsAboutThePivot) {
    TexturedVertex quad[4];
    fillBackgroundQuad(quad, 300, 100, 2.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    Bounds b = boundsOf(quad);
    EXPECT_FLOAT_EQ(b.left, 236.0f);
    EXPECT_FLOAT_EQ(b.right, 492.0f);
    EXPECT_FLOAT_EQ(b.top, 36.0f);
    EXPECT_FLOAT_EQ(b.bottom, 292.0f);
    // A pivot at the top-left corner keeps that corner in place.
    fillBackgroundQuad(quad, 300, 100, 2.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 128, 128);
    b = boundsOf(quad);
    EXPECT_FLOAT_EQ(b.left, 300.0f);
    EXPECT_FLOAT_EQ(b.right, 556.0f);
    EXPECT_FLOAT_EQ(b.top, 100.0f);
    EXPECT_FLOAT_EQ(b.bottom, 164.0f);
}

TEST(BackgroundQuad, BothTrianglesRunClockwiseUnlessMirrored) {
    TexturedVertex quad[4];
    fillBackgroundQuad(quad, 10, 10, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    EXPECT_GT(screenWinding(quad[0], quad[1], quad[2]), 0.0f);
    EXPECT_GT(screenWinding(quad[2], quad[1], quad[3]), 0.0f);
    // One negative scale mirrors the quad: the triangles turn counter-clockwise and are culled.
    fillBackgroundQuad(quad, 10, 10, -1.0f, 1.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    EXPECT_LT(screenWinding(quad[0], quad[1], quad[2]), 0.0f);
    EXPECT_LT(screenWinding(quad[2], quad[1], quad[3]), 0.0f);
    fillBackgroundQuad(quad, 10, 10, 1.0f, -1.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    EXPECT_LT(screenWinding(quad[0], quad[1], quad[2]), 0.0f);
    // Both negative is a half-turn and stays clockwise.
    fillBackgroundQuad(quad, 10, 10, -1.0f, -1.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    EXPECT_GT(screenWinding(quad[0], quad[1], quad[2]), 0.0f);
    EXPECT_GT(screenWinding(quad[2], quad[1], quad[3]), 0.0f);
    Bounds b = boundsOf(quad);
    EXPECT_FLOAT_EQ(b.left, 10.0f);
    EXPECT_FLOAT_EQ(b.right, 138.0f);
    // Mirrored about the pivot: the top-left texel's corner is now at the bottom right.
    EXPECT_FLOAT_EQ(quad[1].x, 138.0f);
    EXPECT_FLOAT_EQ(quad[1].y, 138.0f);
}

TEST(BackgroundQuad, PositiveAngleTurnsClockwiseOnScreen) {
    TexturedVertex quad[4];
    const float quarter = 1.5707964f;
    fillBackgroundQuad(quad, 100, 100, 1.0f, 0.0f, 0.5f, 0.5f, quarter, 0.5f, 128, 128);
    // The top-left corner (u 0, v 0) moves to the top right.
    EXPECT_NEAR(quad[1].x, 228.0f, 1e-3f);
    EXPECT_NEAR(quad[1].y, 100.0f, 1e-3f);
    // The left-bottom corner moves to the top left.
    EXPECT_NEAR(quad[0].x, 100.0f, 1e-3f);
    EXPECT_NEAR(quad[0].y, 100.0f, 1e-3f);
    EXPECT_FLOAT_EQ(quad[0].z, 0.5f);
    EXPECT_GT(screenWinding(quad[0], quad[1], quad[2]), 0.0f);
}

TEST(BackgroundQuad, RotationIsAppliedBeforeTheScale) {
    TexturedVertex quad[4];
    // Turned a quarter, then stretched twice along the screen's x: 256 wide, 128 high.
    fillBackgroundQuad(quad, 100, 100, 2.0f, 1.0f, 0.5f, 0.5f, 1.5707964f, 0.0f, 128, 128);
    Bounds b = boundsOf(quad);
    EXPECT_NEAR(b.right - b.left, 256.0f, 1e-3f);
    EXPECT_NEAR(b.bottom - b.top, 128.0f, 1e-3f);
}

TEST(BackgroundQuad, TextureCoordinatesShowTheTopLeft128Texels) {
    TexturedVertex quad[4];
    fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, 128);
    EXPECT_FLOAT_EQ(quad[0].u, 0.0f);
    EXPECT_FLOAT_EQ(quad[0].v, 1.0f);
    EXPECT_FLOAT_EQ(quad[1].u, 0.0f);
    EXPECT_FLOAT_EQ(quad[1].v, 0.0f);
    EXPECT_FLOAT_EQ(quad[2].u, 1.0f);
    EXPECT_FLOAT_EQ(quad[2].v, 1.0f);
    EXPECT_FLOAT_EQ(quad[3].u, 1.0f);
    EXPECT_FLOAT_EQ(quad[3].v, 0.0f);
    // A 64 x 64 picture repeats twice each way; a 256 x 256 one shows its top-left quarter.
    fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 64, 64);
    EXPECT_FLOAT_EQ(quad[2].u, 2.0f);
    EXPECT_FLOAT_EQ(quad[2].v, 2.0f);
    fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 256, 256);
    EXPECT_FLOAT_EQ(quad[2].u, 0.5f);
    EXPECT_FLOAT_EQ(quad[2].v, 0.5f);
    // Width and height apart.
    fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 512, 32);
    EXPECT_FLOAT_EQ(quad[3].u, 0.25f);
    EXPECT_FLOAT_EQ(quad[0].v, 4.0f);
}

TEST(BackgroundQuad, PictureWithoutASizeMakesNoQuad) {
    TexturedVertex quad[4] = {};
    EXPECT_FALSE(fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 0, 128));
    EXPECT_FALSE(fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 128, -1));
    EXPECT_FALSE(fillBackgroundQuad(quad, 0, 0, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, NAN, 128));
    EXPECT_FLOAT_EQ(quad[0].rhw, 0.0f);
}
