// printf-style formatting into fixed 512-byte buffers, never past their end.
#pragma once

#include <cstdarg>
#include <cstddef>

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
