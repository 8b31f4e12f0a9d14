// The drawing calls the screens make. Portable declarations; the Direct3D front end and the
// headless front end each define them, and the build links exactly one of the two.
#pragma once

#include <cstdint>

// Values are Direct3D 9's D3DPRIMITIVETYPE numbers.
enum class PrimitiveType : int {
    LineList = 2,
    TriangleStrip = 5,
};

// Pre-transformed, untextured vertex (XYZRHW | DIFFUSE), 20 bytes.
struct ColourVertex {
    float x;
    float y;
    float z;
    float rhw;
    std::uint32_t colour;
};

// Pre-transformed, textured vertex (XYZRHW | DIFFUSE | TEX1), 28 bytes.
struct TexturedVertex {
    float x;
    float y;
    float z;
    float rhw;
    std::uint32_t colour;
    float u;
    float v;
};

static_assert(sizeof(ColourVertex) == 20, "ColourVertex must match the D3D vertex layout");
static_assert(sizeof(TexturedVertex) == 28, "TexturedVertex must match the D3D vertex layout");

// DrawText flag that centres the text on x.
constexpr std::uint32_t textCentre = 1;

// The face every screen uses.
extern const char* const gameFace;

// Draws UTF-8 text with its top-left at (x, y), or centred on x with textCentre.
void drawText(int x, int y, const char* text, std::uint32_t colour, int height,
              const char* faceName, std::uint32_t format);
// printf-style variant; the formatted text is cut at 511 bytes. Defined portably on top of
// drawText.
void drawTextFormat(int x, int y, std::uint32_t colour, int height, const char* faceName,
                    std::uint32_t format, const char* formatString, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 7, 8)))
#endif
    ;

// Replaces the one picture by the file's contents: 0 when it loaded, E_FAIL (0x80004005)
// otherwise; a failed load leaves no picture.
std::int32_t loadBackground(const char* fileName);
// Draws the picture's top-left 128 x 128 pixels as a quad (nothing when no picture is loaded).
void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth);
// Untextured pre-transformed primitives straight from the caller's array.
void drawColourPrimitive(PrimitiveType type, unsigned primitiveCount, const ColourVertex* vertices);
