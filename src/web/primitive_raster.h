// The pixels Direct3D 9 lights for the untextured primitives, as rectangles: pixel centres on
// whole coordinates, the top-left fill rule, counter-clockwise triangles culled, lines by the
// diamond-exit rule (a line from (x, 32) to (x, 40) lights rows 32 to 39), vertex colours
// interpolated across the primitive. Drawing them as filled rectangles keeps the browser's
// antialiasing off every edge.
#pragma once

#include "platform/platform.h"
#include "web/draw_list.h"

namespace kokurin {
namespace web {

// Every line of a line list (two vertices each).
void rasterizeLines(const ColourVertex* vertices, unsigned lineCount, PixelRectSink& sink);
// Every clockwise triangle of a strip (n + 2 vertices for n triangles).
void rasterizeTriangleStrip(const ColourVertex* vertices, unsigned triangleCount,
                            PixelRectSink& sink);
// One triangle a, b, c: drawn only when clockwise on screen.
void rasterizeTriangle(const ColourVertex& a, const ColourVertex& b, const ColourVertex& c,
                       PixelRectSink& sink);

// Twice the signed area of a, b, c: positive when they run clockwise on screen (y down).
double windingArea(float ax, float ay, float bx, float by, float cx, float cy);

} // namespace web
} // namespace kokurin
