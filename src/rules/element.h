// Cell values of the board and the tables that label and colour them.
#pragma once

#include <cstdint>

#include "rng/sfmt19937.h"

namespace kokurin {

// Stored as a signed 32-bit value; play produces only Fire .. Water.
enum Element : std::int32_t {
    None = 0,
    Fire = 1,
    Metal = 2,
    Wood = 3,
    Earth = 4,
    Water = 5,
    Yin = 6,
    Yang = 7,
};

constexpr int elementCount = 8;

// One full-width character per element, UTF-8.
extern const char* const elementLabel[elementCount];
// ARGB colour of each element's glyph on the board and in the queue listings.
extern const std::uint32_t elementColour[elementCount];

// A new board element from one output of the generator: 1 + floor(5 u / 2^32), so only the five
// phases (fire .. water) are ever drawn.
Element newElement(Sfmt19937& random);

} // namespace kokurin
