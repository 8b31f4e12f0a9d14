// The frame's draws as a flat list of commands in wasm memory, handed to the page in one call
// per frame: filled pixel rectangles, texts and the picture quad. Plain C++ (no browser calls),
// so the native tests can check what a frame becomes.
#pragma once

#include <cstdint>

#include "gfx/text_layout.h"
#include "platform/platform.h"

namespace kokurin {
namespace web {

// Command codes and sizes in 32-bit words, the code included. The page's reader
// (library_kokurin.js) walks the same layout.
enum DrawOp : std::int32_t { opRect = 1, opText = 2, opPicture = 3 };
constexpr int rectWords = 6;     // op, x, y, width, height, colour
constexpr int textWords = 12;    // op, x, y, colour, font, format, text offset, text length,
                                 // clip left, top, right, bottom
constexpr int pictureWords = 11; // op, 4 corners (x, y as floats), triangle mask, smoothing

// Receives the pixels a primitive covers, as rectangles of one colour.
class PixelRectSink {
  public:
    virtual ~PixelRectSink() = default;
    virtual void fillRect(int x, int y, int width, int height, Colour colour) = 0;
};

class DrawList : public PixelRectSink {
  public:
    // Room for far more than a frame of the game draws (about 600 commands); what does not
    // fit is dropped and counted.
    static constexpr int maxWords = 65536;
    static constexpr int maxTextBytes = 32768;

    void clear();
    // A rectangle clipped to the screen; one that continues the previous rectangle straight
    // down (same colour, same columns) extends it instead.
    void fillRect(int x, int y, int width, int height, Colour colour) override;
    // A text of the given font (the page's font number) laid out in clip, drawn from (x, y).
    void addText(int x, int y, Colour colour, int font, TextFormat format, const TextRect& clip,
                 const char* text);
    // The picture's quad in fillBackgroundQuad's order; bit 0 / bit 1 of triangleMask tell
    // which of its two triangles are drawn.
    void addPicture(const TexturedVertex quad[4], int triangleMask, bool smooth);

    const std::int32_t* words() const { return words_; }
    int wordCount() const { return count_; }
    const char* textBytes() const { return text_; }
    int droppedCommands() const { return dropped_; }

  private:
    bool reserve(int words);
    void putFloat(float value);

    std::int32_t words_[maxWords] = {};
    int count_ = 0;
    int lastRect_ = -1;
    char text_[maxTextBytes] = {};
    int textUsed_ = 0;
    int dropped_ = 0;
};

} // namespace web
} // namespace kokurin
