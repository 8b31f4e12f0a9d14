// What every front end's drawing must look like, read back from its real renderer: the scenes
// drawn through the seam's calls and the pixels they must give. Included by one readback test
// per front end (tests/win32/render_test.cpp under Wine, tests/sdl/render_test.cpp under Xvfb),
// which defines the three calls declared below and writes testPictures() into data/ of the
// current folder before the tests run.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gfx/font_cache.h"
#include "gfx/text_format.h"
#include "platform/platform.h"
#include "screens/element_ring.h"

using namespace kokurin;

namespace render_expectations {

constexpr std::uint32_t rgbMask = 0x00FFFFFFu;

const std::uint32_t red = 0xFF0000;
const std::uint32_t green = 0x00FF00;
const std::uint32_t blue = 0x0000FF;
const std::uint32_t white = 0xFFFFFF;
const std::uint32_t magenta = 0xFF00FF;
const std::uint32_t yellow = 0xFFFF00;

// One frame read back, 640 x 480, as 0xAARRGGBB.
struct Frame {
    std::vector<std::uint32_t> pixels;
    bool hasAlpha = false;

    std::uint32_t rgb(int x, int y) const { return pixels[y * screenWidth + x] & rgbMask; }
    std::uint32_t alpha(int x, int y) const { return pixels[y * screenWidth + x] >> 24; }
    bool lit(int x, int y) const { return rgb(x, y) != 0; }
    int litCount(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                count += lit(x, y) ? 1 : 0;
            }
        }
        return count;
    }
};

// Defined by each front end's test: whether its renderer is up; one frame drawn with draw and
// read back before it is shown; the font cache's filled slots.
bool frontEndReady();
Frame render(const std::function<void()>& draw);
int filledFontSlots();

// A 24-bit BMP file whose pixel (x, y) is colourAt(x, y) (0xRRGGBB).
inline std::vector<unsigned char> bmpFile(int width, int height,
                                          const std::function<std::uint32_t(int, int)>& colourAt) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const int imageBytes = rowBytes * height;
    std::vector<unsigned char> file(54 + imageBytes, 0);
    auto put16 = [&](int at, int value) {
        file[at] = value & 0xFF;
        file[at + 1] = (value >> 8) & 0xFF;
    };
    auto put32 = [&](int at, int value) {
        put16(at, value & 0xFFFF);
        put16(at + 2, (value >> 16) & 0xFFFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<int>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up, blue first.
        unsigned char* row = &file[54 + (height - 1 - y) * rowBytes];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = colourAt(x, y);
            row[x * 3] = colour & 0xFF;
            row[x * 3 + 1] = (colour >> 8) & 0xFF;
            row[x * 3 + 2] = (colour >> 16) & 0xFF;
        }
    }
    return file;
}

// Four quadrants of a 128 x 128 picture: red, green / blue, yellow.
inline std::uint32_t quadrants(int x, int y) {
    if (y < 64) {
        return x < 64 ? red : green;
    }
    return x < 64 ? blue : yellow;
}

// The files the tests load from data/, by UTF-8 name.
inline std::vector<std::pair<std::string, std::vector<unsigned char>>> testPictures() {
    const std::string junk = "not a picture at all";
    return {
        {"quadrants.bmp", bmpFile(128, 128, quadrants)},
        {"肖像.bmp", bmpFile(128, 128, quadrants)},
        {"small.bmp",
         bmpFile(64, 64, [](int x, int y) { return x < 32 && y < 32 ? magenta : blue; })},
        {"large.bmp",
         bmpFile(256, 256,
                 [](int x, int y) { return x < 128 && y < 128 ? quadrants(x, y) : magenta; })},
        {"notapicture.bmp", std::vector<unsigned char>(junk.begin(), junk.end())},
    };
}

inline ColourVertex vertex(float x, float y, std::uint32_t colour) {
    return {x, y, 0.0f, 1.0f, colour};
}

// A filled rectangle the way the screens draw it: top-right, bottom-right, top-left,
// bottom-left, both triangles clockwise on screen.
inline void drawRect(float left, float top, float right, float bottom, std::uint32_t colour) {
    const ColourVertex strip[4] = {vertex(right, top, colour), vertex(right, bottom, colour),
                                   vertex(left, top, colour), vertex(left, bottom, colour)};
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, strip);
}

inline void drawLine(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    const ColourVertex line[2] = {vertex(x1, y1, colour), vertex(x2, y2, colour)};
    drawColourPrimitive(PrimitiveKind::LineList, 1, line);
}

inline std::string picture(const char* name) {
    return std::string("data/") + name;
}

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(frontEndReady()) << "the front end could not draw"; }
};

TEST_F(RenderTest, EveryFrameStartsOpaqueBlack) {
    Frame drawn = render([] { drawRect(0, 0, 640, 480, 0xFFFFFFFF); });
    ASSERT_FALSE(drawn.pixels.empty()) << "back buffer not readable";
    EXPECT_EQ(drawn.rgb(0, 0), white);
    EXPECT_EQ(drawn.rgb(639, 479), white);
    Frame next = render([] {});
    EXPECT_EQ(next.litCount(0, 0, screenWidth, screenHeight), 0);
    if (next.hasAlpha) {
        EXPECT_EQ(next.alpha(320, 240), 0xFFu);
    }
}

TEST_F(RenderTest, SolidRectangleCoversExactlyItsPixels) {
    Frame frame = render([] { drawRect(100, 50, 200, 80, 0xFF00FF00); });
    for (int y = 40; y < 90; ++y) {
        for (int x = 90; x < 210; ++x) {
            const bool inside = x >= 100 && x < 200 && y >= 50 && y < 80;
            ASSERT_EQ(frame.rgb(x, y), inside ? green : 0u) << "at " << x << "," << y;
        }
    }
}

TEST_F(RenderTest, CounterClockwiseQuadIsCulled) {
    Frame frame = render([] {
        // Top-left, bottom-left, top-right, bottom-right: both triangles counter-clockwise.
        const ColourVertex strip[4] = {vertex(100, 100, 0xFFFFFFFF), vertex(100, 200, 0xFFFFFFFF),
                                       vertex(200, 100, 0xFFFFFFFF), vertex(200, 200, 0xFFFFFFFF)};
        drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, strip);
        drawRect(300, 100, 400, 200, 0xFFFFFFFF);
    });
    EXPECT_EQ(frame.litCount(90, 90, 210, 210), 0);
    EXPECT_EQ(frame.litCount(300, 100, 400, 200), 100 * 100);
}

TEST_F(RenderTest, TranslucentColoursBlendByTheirAlpha) {
    Frame frame = render([] {
        drawRect(0, 0, 100, 100, 0xFFFFFFFF);
        drawRect(50, 0, 150, 100, 0x80FF0000);
    });
    // Over white: red stays full, green and blue halve. Over black: red halves.
    const std::uint32_t overWhite = frame.rgb(75, 50);
    EXPECT_EQ(overWhite >> 16, 0xFFu);
    EXPECT_NEAR(static_cast<int>((overWhite >> 8) & 0xFF), 0x7F, 2);
    const std::uint32_t overBlack = frame.rgb(125, 50);
    EXPECT_NEAR(static_cast<int>(overBlack >> 16), 0x80, 2);
    EXPECT_EQ(overBlack & 0xFFFF, 0u);
}

TEST_F(RenderTest, OnePixelLinesLandOnTheirColumnsAndRows) {
    Frame frame = render([] {
        drawLine(50, 100, 50, 200, 0xFFFF0000);
        drawLine(100, 300, 200, 300, 0xFF00FF00);
    });
    EXPECT_EQ(frame.rgb(50, 150), red);
    EXPECT_EQ(frame.litCount(50, 100, 51, 200), 100);
    EXPECT_EQ(frame.litCount(49, 90, 50, 210), 0);
    EXPECT_EQ(frame.litCount(51, 90, 52, 210), 0);
    EXPECT_EQ(frame.rgb(150, 300), green);
    EXPECT_EQ(frame.litCount(100, 300, 200, 301), 100);
    EXPECT_EQ(frame.litCount(90, 299, 210, 300), 0);
    EXPECT_EQ(frame.litCount(90, 301, 210, 302), 0);
}

TEST_F(RenderTest, PictureAtScaleOneCoversItsSquareWithItsTexels) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 128 * 128);
    EXPECT_EQ(frame.rgb(310, 110), red);
    EXPECT_EQ(frame.rgb(420, 110), green);
    EXPECT_EQ(frame.rgb(310, 220), blue);
    EXPECT_EQ(frame.rgb(420, 220), yellow);
    // One texel per pixel: the quadrants meet 64 pixels in.
    EXPECT_EQ(frame.rgb(362, 120), red);
    EXPECT_EQ(frame.rgb(365, 120), green);
}

TEST_F(RenderTest, PictureAtScaleTwoGrowsAboutItsPivot) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 2.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(236, 36, 492, 292), 256 * 256);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 256 * 256);
    EXPECT_EQ(frame.rgb(240, 40), red);
    EXPECT_EQ(frame.rgb(488, 288), yellow);
}

TEST_F(RenderTest, MirroredPictureIsCulledAndAHalfTurnIsDrawn) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame mirrored = render([] { drawBackground(300, 100, -1.0f, 1.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(mirrored.litCount(0, 0, screenWidth, screenHeight), 0);
    Frame turned = render([] { drawBackground(300, 100, -1.0f, -1.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(turned.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(turned.rgb(310, 110), yellow);
    EXPECT_EQ(turned.rgb(420, 220), red);
}

TEST_F(RenderTest, PositiveAngleTurnsThePictureClockwise) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame =
        render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 1.5707964f, 0.0f); });
    EXPECT_EQ(frame.rgb(420, 110), red);
    EXPECT_EQ(frame.rgb(420, 220), green);
    EXPECT_EQ(frame.rgb(310, 110), blue);
}

TEST_F(RenderTest, SmallPictureTilesTwoByTwo) {
    ASSERT_EQ(loadBackground(picture("small.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    for (int tileY = 0; tileY < 2; ++tileY) {
        for (int tileX = 0; tileX < 2; ++tileX) {
            const int x = 300 + 64 * tileX;
            const int y = 100 + 64 * tileY;
            EXPECT_EQ(frame.rgb(x + 10, y + 10), magenta) << tileX << "," << tileY;
            EXPECT_EQ(frame.rgb(x + 50, y + 10), blue) << tileX << "," << tileY;
            EXPECT_EQ(frame.rgb(x + 10, y + 50), blue) << tileX << "," << tileY;
        }
    }
}

TEST_F(RenderTest, LargePictureShowsOnlyItsTopLeftSquare) {
    ASSERT_EQ(loadBackground(picture("large.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(frame.rgb(310, 110), red);
    EXPECT_EQ(frame.rgb(420, 220), yellow);
    // One texel per pixel: the picture's quadrants meet 64 pixels in.
    EXPECT_EQ(frame.rgb(362, 120), red);
    EXPECT_EQ(frame.rgb(365, 120), green);
    // Pixel centres on the quad's edge sample exactly on a texel boundary, where wrapping may
    // take the far side's texel: the rest of the picture must not show inside.
    int magentaPixels = 0;
    for (int y = 101; y < 227; ++y) {
        for (int x = 301; x < 427; ++x) {
            magentaPixels += frame.rgb(x, y) == magenta ? 1 : 0;
        }
    }
    EXPECT_EQ(magentaPixels, 0);
}

TEST_F(RenderTest, MissingPictureDrawsNothingAndRemovesThePreviousOne) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(loadBackground(picture("missing.bmp").c_str())),
              0x80004005u);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
    // A file that is not a picture is refused the same way.
    EXPECT_NE(loadBackground(picture("notapicture.bmp").c_str()), 0);
    frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
}

TEST_F(RenderTest, PictureWithAJapaneseFileNameLoads) {
    ASSERT_EQ(loadBackground(picture("肖像.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(0, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.rgb(10, 10), red);
}

TEST_F(RenderTest, TextAppearsAtItsPositionAndNotLeftOfIt) {
    Frame frame = render([] { drawText(100, 200, "剋輪闘 ABC", 0xFFFFFFFF, 36, gameFace, 0); });
    const int inside = frame.litCount(100, 200, 640, 200 + 48);
    EXPECT_GT(inside, 200);
    EXPECT_EQ(frame.litCount(0, 0, 100, screenHeight), 0);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, 200), 0);
    EXPECT_EQ(frame.litCount(0, 200 + 48, screenWidth, screenHeight), 0);
    // Drawn again: the cached font, no new slot.
    const int filled = filledFontSlots();
    Frame again = render([] { drawText(100, 200, "剋輪闘 ABC", 0xFFFFFFFF, 36, gameFace, 0); });
    EXPECT_EQ(filledFontSlots(), filled);
    EXPECT_EQ(again.pixels, frame.pixels);
}

TEST_F(RenderTest, TextTakesItsColour) {
    Frame frame = render([] { drawText(20, 20, "■■■", 0xFF00FF00, 40, gameFace, 0); });
    int greenPixels = 0;
    int otherPixels = 0;
    for (int y = 20; y < 80; ++y) {
        for (int x = 20; x < 300; ++x) {
            const std::uint32_t c = frame.rgb(x, y);
            if (c == 0) {
                continue;
            }
            ((c & 0xFF00FF) == 0 ? greenPixels : otherPixels)++;
        }
    }
    EXPECT_GT(greenPixels, 300);
    EXPECT_EQ(otherPixels, 0);
}

TEST_F(RenderTest, CentredTextIsCentredOnX) {
    Frame frame =
        render([] { drawText(200, 300, "ABCDEFGH", 0xFFFFFFFF, 36, gameFace, textCentre); });
    long long sum = 0;
    int count = 0;
    int leftmost = screenWidth;
    int rightmost = -1;
    for (int y = 300; y < 350; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            if (frame.lit(x, y)) {
                sum += x;
                ++count;
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
        }
    }
    ASSERT_GT(count, 100);
    EXPECT_NEAR((leftmost + rightmost) / 2.0, 200.0, 6.0);
    EXPECT_LT(leftmost, 190);
    EXPECT_GT(rightmost, 210);
}

TEST_F(RenderTest, UnknownFaceAndTooManyFontsAreHandledQuietly) {
    // A face name longer than the cache's field draws nothing and fills no slot.
    Frame frame = render([] {
        drawText(10, 10, "ABC", 0xFFFFFFFF, 16, "A face name far longer than thirty-one bytes", 0);
        drawText(10, 10, nullptr, 0xFFFFFFFF, 16, gameFace, 0);
    });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
}

TEST_F(RenderTest, ThePhasesRingDrawsEveryArrowWithItsHead) {
    // The arrows are triangle strips made clockwise whichever way they point; a culled one
    // would leave its chord dark. Between two symbols an arrow's shaft is 2 pixels wide and its
    // head, near the far symbol, wider.
    Frame frame = render([] { drawElementRing(320, 240); });
    for (int k = 0; k < 5; ++k) {
        const int next = (k + 1) % 5;
        const float x0 = 320 + elementRingX[k] * elementRingRadius;
        const float y0 = 240 + elementRingY[k] * elementRingRadius;
        const float dx = (elementRingX[next] - elementRingX[k]) * elementRingRadius;
        const float dy = (elementRingY[next] - elementRingY[k]) * elementRingRadius;
        const float length = std::sqrt(dx * dx + dy * dy);
        // Two pixels to either side of the chord, across the shaft and across the head.
        auto litBeside = [&](float along, float side) {
            const int x = static_cast<int>(std::lround(x0 + dx * along - dy / length * side));
            const int y = static_cast<int>(std::lround(y0 + dy * along + dx / length * side));
            return frame.lit(x, y);
        };
        EXPECT_TRUE(litBeside(0.62f, 2.0f) && litBeside(0.62f, -2.0f)) << "no head, arrow " << k;
        EXPECT_FALSE(litBeside(0.40f, 3.0f) || litBeside(0.40f, -3.0f)) << "shaft " << k;
        EXPECT_TRUE(litBeside(0.40f, 0.0f)) << "no shaft, arrow " << k;
    }
}

} // namespace render_expectations
