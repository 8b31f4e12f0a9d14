// The line rule of the primitive geometry: the longer axis decides, whole coordinates are pixel
// centres.
#include "sdl/primitive_geometry.h"

#include <cmath>

namespace kokurin {
namespace sdl {

namespace {

// The pixel whose centre is nearest; halves round up, as a diamond's lower-right edges do.
int nearestPixel(float v) {
    return static_cast<int>(std::floor(v + 0.5f));
}

} // namespace

LineSpan::LineSpan(float x0, float y0, float x1, float y1)
    : xMajor_(std::fabs(x1 - x0) >= std::fabs(y1 - y0)) {
    const float major0 = xMajor_ ? x0 : y0;
    const float major1 = xMajor_ ? x1 : y1;
    const float minor0 = xMajor_ ? y0 : x0;
    const float minor1 = xMajor_ ? y1 : x1;
    majorStart_ = nearestPixel(major0);
    const int majorEnd = nearestPixel(major1);
    step_ = majorEnd >= majorStart_ ? 1 : -1;
    count_ = (majorEnd - majorStart_) * step_;
    majorOrigin_ = major0;
    minorOrigin_ = minor0;
    minorSlope_ = major1 != major0 ? (minor1 - minor0) / (major1 - major0) : 0.0f;
}

int LineSpan::minorAt(int i) const {
    const float major = static_cast<float>(majorAt(i));
    return nearestPixel(minorOrigin_ + minorSlope_ * (major - majorOrigin_));
}

} // namespace sdl
} // namespace kokurin
