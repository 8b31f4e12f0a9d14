// The layout rectangle of drawText.
#include "gfx/text_layout.h"

#include <limits>

#include "platform/platform.h"

namespace kokurin {

namespace {

int clampToInt(long long value) {
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

} // namespace

TextRect textLayoutRect(int x, int y, int lineHeight, std::uint32_t format) {
    const long long half = textLayoutWidth / 2;
    TextRect rect;
    rect.top = y;
    rect.bottom = clampToInt(static_cast<long long>(y) +
                             static_cast<long long>(textLayoutLines) * lineHeight);
    if ((format & textCentre) != 0) {
        rect.left = clampToInt(static_cast<long long>(x) - half);
        rect.right = clampToInt(static_cast<long long>(x) + half);
    } else {
        rect.left = x;
        rect.right = textLayoutWidth;
    }
    return rect;
}

} // namespace kokurin
