// The 24-step hue wheel that colours the hit-point bars.
#pragma once

#include <cstdint>

namespace kokurin {

// 0x00RRGGBB (alpha 0): red at 0 and 24, green at 8, blue at 16; saturation 0 gives white.
std::uint32_t hueToColour(float hue, float saturation);

} // namespace kokurin
