// The hue wheel of the hit-point bars: 24 steps, each channel full within 4 steps of its centre.
#include "gfx/hue.h"

#include <cmath>

namespace kokurin {

namespace {

float channelLevel(float distance) {
    float level = 8.0f - distance;
    if (level > 4.0f) {
        level = 4.0f;
    }
    level *= 0.25f;
    return level < 0.0f ? 0.0f : level;
}

} // namespace

std::uint32_t hueToColour(float hue, float saturation) {
    // Hues above 24 wrap; 24 or less (negative ones included) are used as they are, and the
    // channels are truncated (kept: hue-truncation).
    while (hue > 24.0f) {
        hue -= 24.0f;
    }
    float distanceRed = std::fabs(24.0f - hue);
    if (std::fabs(hue) < distanceRed) {
        distanceRed = std::fabs(hue);
    }
    float distanceGreen = std::fabs(8.0f - hue);
    float distanceBlue = std::fabs(16.0f - hue);

    float white = 1.0f - saturation;
    float red = channelLevel(distanceRed) * saturation + white;
    float green = channelLevel(distanceGreen) * saturation + white;
    float blue = channelLevel(distanceBlue) * saturation + white;

    auto byte = [](float channel) {
        return static_cast<std::uint32_t>(static_cast<int>(channel * 255.0f));
    };
    return byte(red) * 65536u + byte(green) * 256u + byte(blue);
}

} // namespace kokurin
