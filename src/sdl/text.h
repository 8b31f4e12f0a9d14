// Text on the SDL renderer: TrueType fonts from the game's font file, one per height in the
// font cache, and each glyph rendered once into a shared texture and drawn from there.
#pragma once

#include "gfx/font_cache.h"

namespace kokurin {
namespace sdl {

// The cache of drawText's fonts.
const FontCache& fontCache();
// The width in pixels of the text's widest line as drawText draws it (0 without a font).
int textWidth(const char* text, int height, const char* faceName);
// Forgets every rendered glyph and its textures (the renderer is going, or lost its textures);
// glyphs are rendered again when next drawn.
void releaseGlyphs();

// The next code point of UTF-8 text at *text, advancing *text past it; U+FFFD for a byte that
// starts no valid character (one byte is skipped). Not to be called at the terminating NUL.
char32_t nextCodePoint(const char** text);

} // namespace sdl
} // namespace kokurin
