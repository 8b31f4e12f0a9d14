// The geometry of the picture quad: four corners rotated about the pivot, scaled along the
// screen axes, with texture coordinates that show the picture's top-left 128 x 128 texels.
#pragma once

#include "platform/platform.h"

namespace kokurin {

// Side of the square shown from every picture, in pixels and texels.
constexpr float backgroundSide = 128.0f;

// Fills quad in triangle-strip order (left-bottom, left-top, right-bottom, right-top) for
// drawBackground's arguments and the picture file's size in texels. A scaleY of 0 takes
// scaleX. Returns false, leaving quad untouched, for a picture without a usable size.
bool fillBackgroundQuad(TexturedVertex quad[4], int x, int y, float scaleX, float scaleY,
                        float pivotX, float pivotY, float angle, float depth, float pictureWidth,
                        float pictureHeight);

} // namespace kokurin
