// Scan conversion of lines and triangles into runs of pixels under Direct3D 9's rules.
#include "web/primitive_raster.h"

#include <algorithm>
#include <cmath>

namespace kokurin {
namespace web {

namespace {

// Whole pixel numbers from coordinates that may lie far off the screen (or be NaN), held
// where the conversion to an integer is defined.
long pixelNumber(double value) {
    constexpr double reach = 1 << 20;
    if (!(value > -reach)) {
        return -static_cast<long>(reach);
    }
    return static_cast<long>(std::min(value, reach));
}

// One channel of two colours mixed: t = 0 gives a, t = 1 gives b.
Colour mixColour(Colour a, Colour b, double t) {
    Colour out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double ca = static_cast<double>((a >> shift) & 0xFFu);
        const double cb = static_cast<double>((b >> shift) & 0xFFu);
        const long channel = std::lround(ca + (cb - ca) * t);
        out |= static_cast<Colour>(std::clamp(channel, 0L, 255L)) << shift;
    }
    return out;
}

// Weighted colour of three vertices (barycentric weights summing to 1).
Colour blendColour(Colour a, Colour b, Colour c, double wa, double wb, double wc) {
    Colour out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double value =
            wa * ((a >> shift) & 0xFFu) + wb * ((b >> shift) & 0xFFu) + wc * ((c >> shift) & 0xFFu);
        out |= static_cast<Colour>(std::clamp(std::lround(value), 0L, 255L)) << shift;
    }
    return out;
}

// Lights the pixels of one line whose major axis is y (swap says the axes were exchanged so
// that x-major lines use the same walk).
void walkLine(double s0, double t0, double s1, double t1, Colour c0, Colour c1, bool swap,
              PixelRectSink& sink) {
    const double ds = s1 - s0;
    // Diamond exit: a pixel is lit when the line leaves its diamond, so the first pixel is lit
    // and the last one is not. Going forward that is the pixels p with s0 < p + 0.5 < s1.
    long first;
    long last;
    if (ds > 0) {
        first = pixelNumber(std::floor(s0 - 0.5)) + 1;
        last = pixelNumber(std::ceil(s1 - 0.5)) - 1;
    } else {
        first = pixelNumber(std::floor(s1 + 0.5)) + 1;
        last = pixelNumber(std::ceil(s0 + 0.5)) - 1;
    }
    const long limit = swap ? screenWidth : screenHeight;
    first = std::max(first, 0L);
    last = std::min(last, limit - 1);
    for (long p = first; p <= last; ++p) {
        const double t = std::clamp((static_cast<double>(p) - s0) / ds, 0.0, 1.0);
        const long q = pixelNumber(std::floor(t0 + (t1 - t0) * t + 0.5));
        const Colour colour = c0 == c1 ? c0 : mixColour(c0, c1, t);
        if (swap) {
            sink.fillRect(static_cast<int>(p), static_cast<int>(q), 1, 1, colour);
        } else {
            sink.fillRect(static_cast<int>(q), static_cast<int>(p), 1, 1, colour);
        }
    }
}

void rasterizeLine(const ColourVertex& a, const ColourVertex& b, PixelRectSink& sink) {
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    if (dx == 0.0 && dy == 0.0) {
        return;
    }
    if (std::fabs(dy) >= std::fabs(dx)) {
        walkLine(a.y, a.x, b.y, b.x, a.colour, b.colour, false, sink);
    } else {
        walkLine(a.x, a.y, b.x, b.y, a.colour, b.colour, true, sink);
    }
}

// The columns x of a row whose pixel centres lie inside one edge's half-plane,
// e(x) = slope * x + offset > 0 (>= 0 on a top or left edge), narrowing [low, high].
void narrowToEdge(double slope, double offset, bool inclusive, long& low, long& high) {
    if (slope == 0.0) {
        if (offset < 0.0 || (offset == 0.0 && !inclusive)) {
            high = low - 1;
        }
        return;
    }
    const double root = -offset / slope;
    if (slope > 0.0) {
        const long from =
            inclusive ? pixelNumber(std::ceil(root)) : pixelNumber(std::floor(root)) + 1;
        low = std::max(low, from);
    } else {
        const long to =
            inclusive ? pixelNumber(std::floor(root)) : pixelNumber(std::ceil(root)) - 1;
        high = std::min(high, to);
    }
}

// Whether four strip vertices make an axis-aligned rectangle of one colour whose two triangles
// are both clockwise: they then cover its pixels exactly once, rows ceil(top) .. ceil(bottom) - 1
// and columns likewise, which one rectangle draws.
bool solidRectangle(const ColourVertex* v, int& x, int& y, int& width, int& height) {
    const float left = std::min({v[0].x, v[1].x, v[2].x, v[3].x});
    const float right = std::max({v[0].x, v[1].x, v[2].x, v[3].x});
    const float top = std::min({v[0].y, v[1].y, v[2].y, v[3].y});
    const float bottom = std::max({v[0].y, v[1].y, v[2].y, v[3].y});
    bool corner[4] = {};
    for (int i = 0; i < 4; ++i) {
        if ((v[i].x != left && v[i].x != right) || (v[i].y != top && v[i].y != bottom) ||
            v[i].colour != v[0].colour) {
            return false;
        }
        corner[(v[i].x == right ? 1 : 0) + (v[i].y == bottom ? 2 : 0)] = true;
    }
    if (!(corner[0] && corner[1] && corner[2] && corner[3]) ||
        !(windingArea(v[0].x, v[0].y, v[1].x, v[1].y, v[2].x, v[2].y) > 0.0) ||
        !(windingArea(v[2].x, v[2].y, v[1].x, v[1].y, v[3].x, v[3].y) > 0.0)) {
        return false;
    }
    const long x0 = std::clamp(pixelNumber(std::ceil(left)), 0L, long{screenWidth});
    const long y0 = std::clamp(pixelNumber(std::ceil(top)), 0L, long{screenHeight});
    const long x1 = std::clamp(pixelNumber(std::ceil(right)), 0L, long{screenWidth});
    const long y1 = std::clamp(pixelNumber(std::ceil(bottom)), 0L, long{screenHeight});
    x = static_cast<int>(x0);
    y = static_cast<int>(y0);
    width = static_cast<int>(std::max(x1 - x0, 0L));
    height = static_cast<int>(std::max(y1 - y0, 0L));
    return true;
}

} // namespace

double windingArea(float ax, float ay, float bx, float by, float cx, float cy) {
    return (static_cast<double>(bx) - ax) * (static_cast<double>(cy) - ay) -
           (static_cast<double>(by) - ay) * (static_cast<double>(cx) - ax);
}

void rasterizeLines(const ColourVertex* vertices, unsigned lineCount, PixelRectSink& sink) {
    for (unsigned i = 0; i < lineCount; ++i) {
        rasterizeLine(vertices[2 * i], vertices[2 * i + 1], sink);
    }
}

void rasterizeTriangle(const ColourVertex& a, const ColourVertex& b, const ColourVertex& c,
                       PixelRectSink& sink) {
    const double area = windingArea(a.x, a.y, b.x, b.y, c.x, c.y);
    if (!(area > 0.0)) {
        return;
    }
    const ColourVertex* v[3] = {&a, &b, &c};
    // Edge i runs from v[i] to v[i + 1]; the inside is where its edge function is positive.
    // Pixels exactly on an edge belong to the triangle when the edge is a top edge (flat,
    // running right) or a left edge (running up).
    double slope[3];
    double base[3];
    bool inclusive[3];
    for (int i = 0; i < 3; ++i) {
        const ColourVertex& p = *v[i];
        const ColourVertex& q = *v[(i + 1) % 3];
        const double dx = static_cast<double>(q.x) - p.x;
        const double dy = static_cast<double>(q.y) - p.y;
        // e(x, y) = dx * (y - p.y) - dy * (x - p.x)
        slope[i] = -dy;
        base[i] = dy * p.x - dx * p.y;
        inclusive[i] = (dy == 0.0 && dx > 0.0) || dy < 0.0;
    }
    const double top = std::min({a.y, b.y, c.y});
    const double bottom = std::max({a.y, b.y, c.y});
    const double left = std::min({a.x, b.x, c.x});
    const double right = std::max({a.x, b.x, c.x});
    const long firstRow = std::max(0L, pixelNumber(std::ceil(top)));
    const long lastRow =
        std::min(static_cast<long>(screenHeight) - 1, pixelNumber(std::floor(bottom)));
    const bool flat = a.colour == b.colour && b.colour == c.colour;
    for (long row = firstRow; row <= lastRow; ++row) {
        long low = std::max(0L, pixelNumber(std::ceil(left)));
        long high = std::min(static_cast<long>(screenWidth) - 1, pixelNumber(std::floor(right)));
        const double y = static_cast<double>(row);
        for (int i = 0; i < 3; ++i) {
            const double dx = static_cast<double>(v[(i + 1) % 3]->x) - v[i]->x;
            narrowToEdge(slope[i], base[i] + dx * y, inclusive[i], low, high);
        }
        if (low > high) {
            continue;
        }
        if (flat) {
            sink.fillRect(static_cast<int>(low), static_cast<int>(row),
                          static_cast<int>(high - low + 1), 1, a.colour);
            continue;
        }
        for (long col = low; col <= high; ++col) {
            const double x = static_cast<double>(col);
            // Edge i's function is the weight of the vertex opposite it.
            const double wc = (slope[0] * x + base[0] + (b.x - a.x) * y) / area;
            const double wa = (slope[1] * x + base[1] + (c.x - b.x) * y) / area;
            const double wb = 1.0 - wa - wc;
            sink.fillRect(static_cast<int>(col), static_cast<int>(row), 1, 1,
                          blendColour(a.colour, b.colour, c.colour, wa, wb, wc));
        }
    }
}

void rasterizeTriangleStrip(const ColourVertex* vertices, unsigned triangleCount,
                            PixelRectSink& sink) {
    for (unsigned i = 0; i < triangleCount; ++i) {
        int x;
        int y;
        int width;
        int height;
        if (i % 2 == 0 && i + 1 < triangleCount &&
            solidRectangle(vertices + i, x, y, width, height)) {
            if (width > 0 && height > 0) {
                sink.fillRect(x, y, width, height, vertices[i].colour);
            }
            ++i;
            continue;
        }
        // Every odd triangle runs its first two vertices the other way, so that a strip keeps
        // one winding.
        if (i % 2 == 0) {
            rasterizeTriangle(vertices[i], vertices[i + 1], vertices[i + 2], sink);
        } else {
            rasterizeTriangle(vertices[i + 1], vertices[i], vertices[i + 2], sink);
        }
    }
}

} // namespace web
} // namespace kokurin
