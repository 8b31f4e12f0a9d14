// The rectangle a text is laid out in: from (x, y) to the right edge of the screen, or 640
// pixels centred on x, and 24 lines of the font deep.
#pragma once

#include <cstdint>

namespace kokurin {

struct TextRect {
    int left;
    int top;
    int right;
    int bottom;
};

// Screen width the layout rectangle spans.
constexpr int textLayoutWidth = 640;
// Lines of the font's height the rectangle holds.
constexpr int textLayoutLines = 24;

// The rectangle for a text drawn at (x, y) with a font whose line height is lineHeight.
// Bit 0 of format (centre) centres the rectangle on x. Edges beyond the range of int are held
// at its limits.
TextRect textLayoutRect(int x, int y, int lineHeight, std::uint32_t format);

} // namespace kokurin
