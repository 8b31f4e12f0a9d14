// The picture quad's corners and texture coordinates, the same for every front end that draws
// the picture.
#include "gfx/background_quad.h"

#include <cmath>

namespace kokurin {

bool fillBackgroundQuad(TexturedVertex quad[4], int x, int y, float scaleX, float scaleY,
                        float pivotX, float pivotY, float angle, float depth, float pictureWidth,
                        float pictureHeight) {
    // A picture must have a size, or its texture coordinates would be infinite.
    if (!(pictureWidth > 0.0f) || !(pictureHeight > 0.0f)) {
        return false;
    }
    if (scaleY == 0.0f) {
        scaleY = scaleX;
    }
    // Addressing wraps, so a picture smaller than 128 texels repeats across the quad.
    const float uMax = backgroundSide / pictureWidth;
    const float vMax = backgroundSide / pictureHeight;

    const float px = static_cast<float>(x) + pivotX * backgroundSide;
    const float py = static_cast<float>(y) + pivotY * backgroundSide;
    const float left = -pivotX * backgroundSide;
    const float right = left + backgroundSide;
    const float top = -pivotY * backgroundSide;
    const float bottom = top + backgroundSide;

    const float ca = std::cos(angle);
    const float sa = std::sin(angle);

    const float cornerX[4] = {left, left, right, right};
    const float cornerY[4] = {bottom, top, bottom, top};
    const float cornerU[4] = {0.0f, 0.0f, uMax, uMax};
    const float cornerV[4] = {vMax, 0.0f, vMax, 0.0f};
    for (int i = 0; i < 4; ++i) {
        // Rotate about the pivot first, then scale the rotated offset along the screen axes.
        quad[i].x = (ca * cornerX[i] - sa * cornerY[i]) * scaleX + px;
        quad[i].y = (sa * cornerX[i] + ca * cornerY[i]) * scaleY + py;
        quad[i].z = depth;
        quad[i].rhw = 1.0f;
        quad[i].colour = 0xFFFFFFFFu;
        quad[i].u = cornerU[i];
        quad[i].v = cornerV[i];
    }
    return true;
}

} // namespace kokurin
