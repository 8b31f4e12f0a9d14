// Where Direct3D 9 puts the pixels of the game's primitives, worked out for renderers that
// neither cull nor follow its line rules: which triangles of a strip face the viewer, and which
// pixels a 1-pixel line covers.
#pragma once

#include <utility>

namespace kokurin {
namespace sdl {

// A corner of a triangle on screen.
struct Point {
    float x;
    float y;
};

// Fills indices with the triangles of a strip of triangleCount + 2 vertices that are wound
// clockwise on screen, each listed clockwise; counter-clockwise and degenerate triangles are
// left out, as the device culls them. positionOf(i) gives vertex i's Point. indices must hold
// 3 * triangleCount entries; returns how many it filled.
template <typename PositionOf>
int clockwiseStripTriangles(unsigned triangleCount, PositionOf positionOf, int* indices) {
    int filled = 0;
    for (unsigned t = 0; t < triangleCount; ++t) {
        // Every second triangle of a strip runs the other way round: its first two corners swap.
        int a = static_cast<int>(t);
        int b = a + 1;
        if (t % 2 != 0) {
            std::swap(a, b);
        }
        const int c = static_cast<int>(t) + 2;
        const Point pa = positionOf(a);
        const Point pb = positionOf(b);
        const Point pc = positionOf(c);
        // With y pointing down, a positive cross product turns clockwise on screen.
        const float cross = (pb.x - pa.x) * (pc.y - pa.y) - (pb.y - pa.y) * (pc.x - pa.x);
        if (cross > 0.0f) {
            indices[filled++] = a;
            indices[filled++] = b;
            indices[filled++] = c;
        }
    }
    return filled;
}

// The pixels of a 1-pixel line: pixel centres lie on whole coordinates, the longer axis steps
// one pixel at a time from the first end's pixel, which is drawn, to the last end's, which is
// not (so a line from (x, 32) to (x, 40) covers rows 32 to 39).
class LineSpan {
  public:
    LineSpan(float x0, float y0, float x1, float y1);

    // Pixels covered; 0 for a line that ends in the pixel it starts in.
    int count() const { return count_; }
    // Pixel i of count(), from the first end.
    int x(int i) const { return xMajor_ ? majorAt(i) : minorAt(i); }
    int y(int i) const { return xMajor_ ? minorAt(i) : majorAt(i); }
    // True when every pixel lies in one row or one column.
    bool straight() const { return minorSlope_ == 0.0f; }

  private:
    int majorAt(int i) const { return majorStart_ + step_ * i; }
    int minorAt(int i) const;

    bool xMajor_;
    int count_;
    int majorStart_;
    int step_;
    float majorOrigin_;
    float minorOrigin_;
    float minorSlope_;
};

} // namespace sdl
} // namespace kokurin
