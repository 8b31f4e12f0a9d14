// The web front end's rasterisation against Direct3D 9's rules, and the frame's command list.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "web/draw_list.h"
#include "web/primitive_raster.h"

namespace kokurin {
namespace web {
namespace {

// Every pixel the primitives fill: how often, and the last colour.
class Coverage : public PixelRectSink {
  public:
    Coverage() : hits_(screenWidth * screenHeight, 0), colours_(screenWidth * screenHeight, 0) {}

    void fillRect(int x, int y, int width, int height, Colour colour) override {
        ASSERT_GE(x, 0);
        ASSERT_GE(y, 0);
        ASSERT_LE(x + width, screenWidth);
        ASSERT_LE(y + height, screenHeight);
        ++rects_;
        for (int row = y; row < y + height; ++row) {
            for (int col = x; col < x + width; ++col) {
                ++hits_[row * screenWidth + col];
                colours_[row * screenWidth + col] = colour;
            }
        }
    }

    int hits(int x, int y) const { return hits_[y * screenWidth + x]; }
    Colour colour(int x, int y) const { return colours_[y * screenWidth + x]; }
    int rects() const { return rects_; }
    int total() const {
        int sum = 0;
        for (int h : hits_) {
            sum += h;
        }
        return sum;
    }
    bool sameAs(const Coverage& other) const { return hits_ == other.hits_; }

  private:
    std::vector<int> hits_;
    std::vector<Colour> colours_;
    int rects_ = 0;
};

ColourVertex vertex(float x, float y, Colour colour = 0xFFFFFFFFu) {
    return ColourVertex{x, y, 0.0f, 1.0f, colour};
}

// The screens' solid rectangle: top-right, bottom-right, top-left, bottom-left.
void solidRect(float x0, float y0, float x1, float y1, PixelRectSink& sink,
               Colour c = 0xFF0000FFu) {
    const ColourVertex quad[4] = {vertex(x1, y0, c), vertex(x1, y1, c), vertex(x0, y0, c),
                                  vertex(x0, y1, c)};
    rasterizeTriangleStrip(quad, 2, sink);
}

TEST(WebRaster, LinesLightTheFirstPixelAndNotTheLast) {
    Coverage down;
    const ColourVertex bar[2] = {vertex(8, 32, 0xFFFF0000u), vertex(8, 40, 0xFFFF0000u)};
    rasterizeLines(bar, 1, down);
    for (int y = 0; y < screenHeight; ++y) {
        EXPECT_EQ(down.hits(8, y), y >= 32 && y <= 39 ? 1 : 0) << "row " << y;
    }
    EXPECT_EQ(down.total(), 8);
    EXPECT_EQ(down.colour(8, 35), 0xFFFF0000u);

    Coverage up;
    const ColourVertex reversed[2] = {vertex(8, 40), vertex(8, 32)};
    rasterizeLines(reversed, 1, up);
    EXPECT_EQ(up.hits(8, 32), 0);
    EXPECT_EQ(up.hits(8, 40), 1);
    EXPECT_EQ(up.total(), 8);

    Coverage across;
    const ColourVertex lines[4] = {vertex(10, 5), vertex(20, 5), vertex(3, 3), vertex(3, 3)};
    rasterizeLines(lines, 2, across);
    EXPECT_EQ(across.hits(10, 5), 1);
    EXPECT_EQ(across.hits(19, 5), 1);
    EXPECT_EQ(across.hits(20, 5), 0);
    EXPECT_EQ(across.total(), 10) << "a line of no length lights nothing";

    // Colours run from one end to the other.
    Coverage shaded;
    const ColourVertex ramp[2] = {vertex(0, 0, 0xFF000000u), vertex(0, 255, 0xFF0000FFu)};
    rasterizeLines(ramp, 1, shaded);
    EXPECT_EQ(shaded.colour(0, 0), 0xFF000000u);
    EXPECT_EQ(shaded.colour(0, 100), 0xFF000064u);
    EXPECT_EQ(shaded.colour(0, 254), 0xFF0000FEu);
}

TEST(WebRaster, RectanglesFollowTheTopLeftRule) {
    Coverage cell;
    solidRect(188, 108, 204, 124, cell);
    EXPECT_EQ(cell.rects(), 1) << "a solid rectangle is one command";
    EXPECT_EQ(cell.total(), 16 * 16);
    EXPECT_EQ(cell.hits(188, 108), 1);
    EXPECT_EQ(cell.hits(203, 123), 1);
    EXPECT_EQ(cell.hits(204, 123), 0);
    EXPECT_EQ(cell.hits(203, 124), 0);

    Coverage screen;
    solidRect(-10, -10, 700, 500, screen);
    EXPECT_EQ(screen.total(), screenWidth * screenHeight) << "clipped to the screen";

    // The quick way for rectangles lights what the two triangles light one by one, also on
    // fractional edges.
    for (float offset : {0.0f, 0.25f, 0.5f, 0.75f}) {
        Coverage quick;
        solidRect(10 + offset, 20 + offset, 30.5f + offset, 41 + offset, quick);
        Coverage slow;
        const ColourVertex tr = vertex(30.5f + offset, 20 + offset);
        const ColourVertex br = vertex(30.5f + offset, 41 + offset);
        const ColourVertex tl = vertex(10 + offset, 20 + offset);
        const ColourVertex bl = vertex(10 + offset, 41 + offset);
        rasterizeTriangle(tr, br, tl, slow);
        rasterizeTriangle(tl, br, bl, slow);
        EXPECT_TRUE(quick.sameAs(slow)) << "offset " << offset;
        EXPECT_EQ(slow.total(), quick.total());
    }
}

TEST(WebRaster, TrianglesShareEdgesWithoutGapsOrOverlapAndCullCounterClockwise) {
    // A fan of eight clockwise triangles round a fractional centre: every pixel inside the
    // octagon is lit exactly once.
    Coverage fan;
    const float cx = 100.3f;
    const float cy = 80.6f;
    const float px[8] = {100.3f, 140.1f, 160.2f, 140.1f, 100.3f, 60.5f, 40.4f, 60.5f};
    const float py[8] = {20.2f, 40.7f, 80.6f, 120.5f, 140.9f, 120.5f, 80.6f, 40.7f};
    for (int i = 0; i < 8; ++i) {
        rasterizeTriangle(vertex(cx, cy), vertex(px[i], py[i]),
                          vertex(px[(i + 1) % 8], py[(i + 1) % 8]), fan);
    }
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            ASSERT_LE(fan.hits(x, y), 1) << x << "," << y;
        }
    }
    for (int x = 45; x < 156; ++x) {
        EXPECT_EQ(fan.hits(x, 80), 1) << "gap at " << x;
    }

    // Mirrored: the same corners wound the other way draw nothing.
    Coverage mirrored;
    const ColourVertex quad[4] = {vertex(10, 10), vertex(10, 50), vertex(50, 10), vertex(50, 50)};
    rasterizeTriangleStrip(quad, 2, mirrored);
    EXPECT_EQ(mirrored.total(), 0);
    EXPECT_LT(windingArea(10, 10, 10, 50, 50, 10), 0.0);

    // Vertex colours are interpolated across a triangle.
    Coverage shaded;
    rasterizeTriangle(vertex(0, 0, 0xFF000000u), vertex(200, 0, 0xFFC80000u),
                      vertex(0, 200, 0xFF000000u), shaded);
    EXPECT_EQ(shaded.colour(0, 0), 0xFF000000u);
    EXPECT_EQ(shaded.colour(100, 10), 0xFF640000u);
    EXPECT_EQ(shaded.hits(199, 0), 1);
    EXPECT_EQ(shaded.hits(200, 0), 0);
}

TEST(WebDrawList, ClipsMergesCopiesAndDropsWhatDoesNotFit) {
    static DrawList list;
    list.clear();
    // One column of a vertical line's pixels becomes one rectangle.
    const ColourVertex bar[2] = {vertex(632, 32, 0xFFFF0000u), vertex(632, 40, 0xFFFF0000u)};
    rasterizeLines(bar, 1, list);
    ASSERT_EQ(list.wordCount(), rectWords);
    const std::int32_t* w = list.words();
    EXPECT_EQ(w[0], opRect);
    EXPECT_EQ(w[1], 632);
    EXPECT_EQ(w[2], 32);
    EXPECT_EQ(w[3], 1);
    EXPECT_EQ(w[4], 8);
    EXPECT_EQ(static_cast<Colour>(w[5]), 0xFFFF0000u);

    // Off-screen parts are cut; nothing on screen, no command.
    list.fillRect(-5, 470, 10, 20, 0xFF00FF00u);
    ASSERT_EQ(list.wordCount(), 2 * rectWords);
    EXPECT_EQ(w[rectWords + 1], 0);
    EXPECT_EQ(w[rectWords + 3], 5);
    EXPECT_EQ(w[rectWords + 4], 10);
    list.fillRect(640, 0, 10, 10, 0xFF00FF00u);
    EXPECT_EQ(list.wordCount(), 2 * rectWords);

    // The text is copied: the caller's buffer may change before the frame is shown.
    char text[] = "じかん：4.50";
    const TextRect clip{280, 24, 640, 24 + 24 * 18};
    list.addText(280, 24, 0xFFFFFFFFu, 3, textLeftTop, clip, text);
    std::memset(text, 'x', sizeof text - 1);
    const std::int32_t* t = list.words() + 2 * rectWords;
    EXPECT_EQ(t[0], opText);
    EXPECT_EQ(t[4], 3);
    EXPECT_EQ(std::string(list.textBytes() + t[6], t[7]), "じかん：4.50");
    EXPECT_EQ(t[11], 24 + 24 * 18);

    // A full list drops what comes after and counts it.
    list.clear();
    for (int i = 0; i < DrawList::maxWords / rectWords + 10; ++i) {
        list.fillRect(i % 2, 0, 1, 1, 0xFFFFFFFFu);
    }
    EXPECT_EQ(list.wordCount(), DrawList::maxWords / rectWords * rectWords);
    EXPECT_EQ(list.droppedCommands(), 10 + DrawList::maxWords % rectWords / rectWords);
    list.clear();
    EXPECT_EQ(list.wordCount(), 0);
    EXPECT_EQ(list.droppedCommands(), 0);
}

} // namespace
} // namespace web
} // namespace kokurin
