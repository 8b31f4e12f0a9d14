// The ring of the five phases, drawn with the seam's text and triangles so that every front end
// shows the same picture.
#include "screens/element_ring.h"

#include <cmath>

#include "gfx/text_format.h"
#include "platform/platform.h"
#include "rules/element.h"
#include "screens/game_texts.h"
#include "screens/palette.h"

namespace kokurin {

namespace {

// Each name's centre from the ring's centre: beside the symbols at the sides, above the top
// one and under the bottom ones, clear of the arrows.
constexpr int nameX[5] = {0, 66, 24, -24, -66};
constexpr int nameY[5] = {-58, -12, 50, 50, -12};
constexpr int symbolHeight = 20;
constexpr int nameHeight = 12;
constexpr int captionHeight = 12;
// How far an arrow stays from the symbols it joins, and its head's size.
constexpr float arrowGap = 13.0f;
constexpr float arrowHalfWidth = 1.0f;
constexpr float headLength = 7.0f;
constexpr float headHalfWidth = 4.0f;
constexpr Colour arrowColour = 0xFFC0C0C0u;

// Vertices for drawColourPrimitive's triangle strips, which draw only clockwise triangles: the
// strip's first triangle is made clockwise on screen (y down), the rest follow from it.
bool clockwise(const ColourVertex& a, const ColourVertex& b, const ColourVertex& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0.0f;
}

void drawArrow(float x0, float y0, float x1, float y1) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float length = std::sqrt(dx * dx + dy * dy);
    const float ux = dx / length;
    const float uy = dy / length;
    // From the first symbol's edge to where the head begins, then the head to the other's edge.
    const float sx = x0 + ux * arrowGap;
    const float sy = y0 + uy * arrowGap;
    const float tx = x1 - ux * arrowGap;
    const float ty = y1 - uy * arrowGap;
    const float hx = tx - ux * headLength;
    const float hy = ty - uy * headLength;
    const float nx = -uy;
    const float ny = ux;
    ColourVertex shaft[4] = {
        {sx + nx * arrowHalfWidth, sy + ny * arrowHalfWidth, 0.0f, 1.0f, arrowColour},
        {hx + nx * arrowHalfWidth, hy + ny * arrowHalfWidth, 0.0f, 1.0f, arrowColour},
        {sx - nx * arrowHalfWidth, sy - ny * arrowHalfWidth, 0.0f, 1.0f, arrowColour},
        {hx - nx * arrowHalfWidth, hy - ny * arrowHalfWidth, 0.0f, 1.0f, arrowColour},
    };
    if (!clockwise(shaft[0], shaft[1], shaft[2])) {
        std::swap(shaft[0], shaft[2]);
        std::swap(shaft[1], shaft[3]);
    }
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, shaft);
    ColourVertex head[3] = {
        {tx, ty, 0.0f, 1.0f, arrowColour},
        {hx + nx * headHalfWidth, hy + ny * headHalfWidth, 0.0f, 1.0f, arrowColour},
        {hx - nx * headHalfWidth, hy - ny * headHalfWidth, 0.0f, 1.0f, arrowColour},
    };
    if (!clockwise(head[0], head[1], head[2])) {
        std::swap(head[1], head[2]);
    }
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 1, head);
}

} // namespace

void drawElementRing(int x, int y) {
    const HelpTexts& t = gameTexts().help;
    const float cx = static_cast<float>(x);
    const float cy = static_cast<float>(y);
    for (int k = 0; k < 5; ++k) {
        const int next = (k + 1) % 5;
        drawArrow(cx + elementRingX[k] * elementRingRadius, cy + elementRingY[k] * elementRingRadius,
                  cx + elementRingX[next] * elementRingRadius, cy + elementRingY[next] * elementRingRadius);
    }
    for (int k = 0; k < 5; ++k) {
        const Element element = static_cast<Element>(Fire + k);
        const int sx = x + static_cast<int>(std::lround(elementRingX[k] * elementRingRadius));
        const int sy = y + static_cast<int>(std::lround(elementRingY[k] * elementRingRadius));
        drawText(sx, sy - symbolHeight / 2, elementLabel[element], elementColour[element],
                 symbolHeight, gameFace, textCentre);
        if (t.elementNames[k][0] != '\0') {
            drawText(x + nameX[k], y + nameY[k] - nameHeight / 2, t.elementNames[k], textWhite, nameHeight, gameFace,
                     textCentre);
        }
    }
    // Above the top name, or just above the top symbol where there are no names.
    const int captionY = t.elementNames[0][0] != '\0' ? y - elementRingAbove : y - 70;
    drawText(x, captionY, t.ringCaption, textWhite, captionHeight, gameFace, textCentre);
}

} // namespace kokurin
