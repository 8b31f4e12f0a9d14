// Labels and colours of the eight cell values.
#include "rules/element.h"

namespace kokurin {

const char* const elementLabel[elementCount] = {"無", "火", "金", "木", "土", "水", "陰", "陽"};

const std::uint32_t elementColour[elementCount] = {
    0xFF000000u, // none: black on the black screen
    0xFFFF0000u, // fire: red
    0xFFFFFFFFu, // metal: white
    0xFF00FF00u, // wood: green
    0xFFFFFF00u, // earth: yellow
    0xFF0000FFu, // water: blue
    0xFF800080u, // yin: purple
    0xFFFFFFFFu, // yang: white
};

Element newElement(Sfmt19937& random) {
    return static_cast<Element>(1 + random.randomBelow(5));
}

} // namespace kokurin
