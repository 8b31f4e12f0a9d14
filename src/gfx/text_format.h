// printf-style formatting into fixed 512-byte buffers, never past their end, and formatted text
// drawn through the front end's drawText.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/platform.h"

namespace kokurin {

constexpr std::size_t textBufferSize = 512;

// Formats into buffer (textBufferSize bytes), cutting the text at 511 bytes; a UTF-8 character
// that would be cut in half is dropped whole. Returns buffer.
char* formatInto(char* buffer, const char* formatString, std::va_list args);

// Formats into the one shared text buffer and returns it; every call overwrites the last result.
const char* formatText(const char* formatString, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The face every screen draws with.
extern const char* const gameFace;

// drawText of a printf-style text; the formatted text is cut at 511 bytes.
void drawTextFormat(int x, int y, Colour colour, int height, const char* faceName,
                    TextFormat format, const char* formatString, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 7, 8)))
#endif
    ;

} // namespace kokurin
