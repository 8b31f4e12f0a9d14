// Formatting into the fixed text buffers, and drawTextFormat on top of each front end's drawText.
#include "gfx/text_format.h"

#include <cstdio>
#include <cstring>

namespace kokurin {

const char* const gameFace = "ＭＳ Ｐゴシック";

namespace {
char textBuffer[textBufferSize];
}

char* formatInto(char* buffer, const char* formatString, std::va_list args) {
    std::memset(buffer, 0, textBufferSize);
    int written = std::vsnprintf(buffer, textBufferSize, formatString, args);
    if (written < 0) {
        buffer[0] = '\0';
        return buffer;
    }
    if (static_cast<std::size_t>(written) >= textBufferSize) {
        // Cut at 511 bytes; a multi-byte character split by the cut is dropped whole so that
        // the text stays valid UTF-8 (kept: cut-text).
        std::size_t end = textBufferSize - 1;
        std::size_t lead = end;
        while (lead > 0 && (static_cast<unsigned char>(buffer[lead - 1]) & 0xC0) == 0x80) {
            --lead;
        }
        if (lead > 0) {
            unsigned char first = static_cast<unsigned char>(buffer[lead - 1]);
            std::size_t need = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
            if (lead - 1 + need > end) {
                end = lead - 1;
            }
        }
        std::memset(buffer + end, 0, textBufferSize - end);
    }
    return buffer;
}

const char* formatText(const char* formatString, ...) {
    std::va_list args;
    va_start(args, formatString);
    formatInto(textBuffer, formatString, args);
    va_end(args);
    return textBuffer;
}

void drawTextFormat(int x, int y, Colour colour, int height, const char* faceName,
                    TextFormat format, const char* formatString, ...) {
    char buffer[textBufferSize];
    std::va_list args;
    va_start(args, formatString);
    formatInto(buffer, formatString, args);
    va_end(args);
    drawText(x, y, buffer, colour, height, faceName, format);
}

} // namespace kokurin
