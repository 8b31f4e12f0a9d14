// drawText with SDL_ttf: a font of height h is the point size whose line height is h pixels, as
// a D3DX font of height h has; texts are laid out in textLayoutRect's rectangle, clipped to it,
// and composed from glyphs rendered once, so that drawing allocates nothing once they exist.
// Without the game's font file the texts are drawn in a system font, and the player is told.
#include "sdl/text.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/text_layout.h"
#include "platform/platform.h"
#include "sdl/display.h"
#include "sdl/draw_batch.h"
#include "sdl/fallback_font.h"
#include "sdl/message_box.h"

namespace kokurin {
namespace sdl {

namespace {

// Glyphs are packed in rows into square pages of this side.
constexpr int pageSide = 512;

struct Glyph {
    // Null for a glyph that did not render.
    SDL_Texture* page = nullptr;
    SDL_Rect source = {0, 0, 0, 0};
    // Where the rendered box lies from the pen position at the line's top.
    int offsetX = 0;
    int offsetY = 0;
    int advance = 0;
};

struct Face {
    TTF_Font* font = nullptr;
    int lineHeight = 0;
    int ascent = 0;
    std::unordered_map<char32_t, Glyph> glyphs;
};

struct Pages {
    std::vector<SDL_Texture*> textures;
    // The free row of the last page.
    int rowX = 0;
    int rowY = 0;
    int rowHeight = 0;
};

// The font file every face is opened from (the game's own, or a system font in its place);
// empty until the TrueType library has started with one.
std::string fontFile;
FontCache cache;
Pages pages;

// The point size whose line height is height pixels (or the largest below it).
void fitLineHeight(TTF_Font* font, int height) {
    int size = height;
    TTF_SetFontSize(font, size);
    while (TTF_FontHeight(font) > height && size > 1) {
        TTF_SetFontSize(font, --size);
    }
    while (size < 4 * height) {
        TTF_SetFontSize(font, size + 1);
        if (TTF_FontHeight(font) > height) {
            TTF_SetFontSize(font, size);
            break;
        }
        ++size;
    }
}

class TtfFontMaker : public FontMaker {
  public:
    FontHandle makeFont(const FontRequest& request) override {
        // Every face the game asks for is the one font file.
        if (fontFile.empty() || request.height <= 0) {
            return nullptr;
        }
        TTF_Font* font = TTF_OpenFont(fontFile.c_str(), request.height);
        if (font == nullptr) {
            return nullptr;
        }
        fitLineHeight(font, request.height);
        Face* face = new Face;
        face->font = font;
        face->lineHeight = TTF_FontHeight(font);
        face->ascent = TTF_FontAscent(font);
        return face;
    }

    void releaseFont(FontHandle handle) override {
        Face* face = static_cast<Face*>(handle);
        TTF_CloseFont(face->font);
        delete face;
    }
};

// A place for a w x h box in the pages, opening a new page when the last one is full; false when
// the box can never fit or no page can be made.
bool placeInPages(int w, int h, SDL_Texture** page, SDL_Rect* place) {
    if (w > pageSide || h > pageSide) {
        return false;
    }
    if (!pages.textures.empty() && pages.rowX + w > pageSide) {
        pages.rowX = 0;
        pages.rowY += pages.rowHeight;
        pages.rowHeight = 0;
    }
    if (pages.textures.empty() || pages.rowY + h > pageSide) {
        SDL_Texture* texture = SDL_CreateTexture(renderer(), SDL_PIXELFORMAT_ARGB8888,
                                                 SDL_TEXTUREACCESS_STATIC, pageSide, pageSide);
        if (texture == nullptr) {
            return false;
        }
        // Transparent throughout, so that nothing but a glyph's own pixels can ever show.
        const std::vector<Uint32> clear(static_cast<std::size_t>(pageSide) * pageSide, 0);
        SDL_UpdateTexture(texture, nullptr, clear.data(), pageSide * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
        pages.textures.push_back(texture);
        pages.rowX = 0;
        pages.rowY = 0;
        pages.rowHeight = 0;
    }
    *page = pages.textures.back();
    *place = SDL_Rect{pages.rowX, pages.rowY, w, h};
    pages.rowX += w;
    pages.rowHeight = SDL_max(pages.rowHeight, h);
    return true;
}

// Renders a glyph white on transparent into the pages, with its placement and advance.
Glyph renderGlyph(const Face& face, char32_t codePoint) {
    Glyph glyph;
    int minX = 0;
    int maxX = 0;
    int minY = 0;
    int maxY = 0;
    if (TTF_GlyphMetrics32(face.font, codePoint, &minX, &maxX, &minY, &maxY, &glyph.advance) != 0) {
        return glyph;
    }
    SDL_Surface* surface =
        TTF_RenderGlyph32_Blended(face.font, codePoint, SDL_Color{0xFF, 0xFF, 0xFF, 0xFF});
    if (surface == nullptr) {
        return glyph;
    }
    // SDL_ttf widens the rendered box leftwards for ink left of the pen, and upwards for ink
    // above the font's ascent; the box's top-left is otherwise the pen at the line's top.
    glyph.offsetX = -SDL_max(0, -minX);
    glyph.offsetY = -SDL_max(0, maxY - face.ascent);
    SDL_Surface* pixels = surface->format->format == SDL_PIXELFORMAT_ARGB8888
                              ? surface
                              : SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    if (pixels != nullptr && placeInPages(pixels->w, pixels->h, &glyph.page, &glyph.source)) {
        SDL_UpdateTexture(glyph.page, &glyph.source, pixels->pixels, pixels->pitch);
    }
    if (pixels != surface) {
        SDL_FreeSurface(pixels);
    }
    SDL_FreeSurface(surface);
    return glyph;
}

const Glyph& glyphFor(Face& face, char32_t codePoint) {
    auto found = face.glyphs.find(codePoint);
    if (found == face.glyphs.end()) {
        found = face.glyphs.emplace(codePoint, renderGlyph(face, codePoint)).first;
    }
    return found->second;
}

// The pen's travel over one line of text (up to a line break or the end).
int lineWidth(Face& face, const char* text) {
    int width = 0;
    while (*text != '\0' && *text != '\n') {
        width += glyphFor(face, nextCodePoint(&text)).advance;
    }
    return width;
}

// Draws a glyph at its pen position in colour, cut to the layout rectangle as the device's text
// is.
void drawGlyph(const Glyph& glyph, int penX, int lineTop, const TextRect& clip, SDL_Color colour) {
    if (glyph.page == nullptr) {
        return;
    }
    SDL_Rect source = glyph.source;
    SDL_Rect target = {penX + glyph.offsetX, lineTop + glyph.offsetY, source.w, source.h};
    // In 64 bits: the rectangle's edges may lie at the limits of int.
    const auto cut = [](long long a, long long b) {
        return static_cast<int>(SDL_min(SDL_max(0LL, a - b), 1LL << 20));
    };
    const int cutLeft = cut(clip.left, target.x);
    const int cutTop = cut(clip.top, target.y);
    const int cutRight = cut(static_cast<long long>(target.x) + target.w, clip.right);
    const int cutBottom = cut(static_cast<long long>(target.y) + target.h, clip.bottom);
    source.x += cutLeft;
    source.y += cutTop;
    source.w -= cutLeft + cutRight;
    source.h -= cutTop + cutBottom;
    if (source.w <= 0 || source.h <= 0) {
        return;
    }
    target = SDL_Rect{target.x + cutLeft, target.y + cutTop, source.w, source.h};
    queueTexels(glyph.page, pageSide, pageSide, source, target, colour);
}

} // namespace

const FontCache& fontCache() {
    return cache;
}

void releaseGlyphs() {
    // Glyphs still queued go out before their pages do.
    flushDrawing();
    for (int index = 0; index < fontCacheSlots; ++index) {
        if (cache.slot(index).font != nullptr) {
            static_cast<Face*>(cache.slot(index).font)->glyphs.clear();
        }
    }
    for (SDL_Texture* texture : pages.textures) {
        SDL_DestroyTexture(texture);
    }
    pages = Pages{};
}

char32_t nextCodePoint(const char** text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(*text);
    const unsigned char lead = bytes[0];
    int length = 0;
    char32_t codePoint = 0;
    if (lead < 0x80) {
        *text += 1;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        *text += 1;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            *text += 1;
            return 0xFFFD;
        }
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    const char32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        *text += 1;
        return 0xFFFD;
    }
    *text += length;
    return codePoint;
}

} // namespace sdl

using namespace sdl;

namespace {

// The first of the system's fonts that SDL_ttf can open, or an empty string.
std::string openableFallback() {
    for (const std::string& file : fallbackFontFiles()) {
        TTF_Font* font = TTF_OpenFont(file.c_str(), 16);
        if (font != nullptr) {
            TTF_CloseFont(font);
            return file;
        }
    }
    return std::string();
}

} // namespace

bool registerGameFont() {
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "kokurin: cannot start SDL_ttf (%s): no text will be shown\n",
                     TTF_GetError());
        return false;
    }
    SDL_RWops* file = SDL_RWFromFile(gameFontFile, "rb");
    if (file != nullptr) {
        SDL_RWclose(file);
        fontFile = gameFontFile;
        return true;
    }
    // Said once, on stderr and in a box, before the first frame; the game then runs on.
    std::fprintf(stderr, "kokurin: cannot open %s (%s)\n", gameFontFile, SDL_GetError());
    fontFile = openableFallback();
    const std::string notice = missingFontNotice(gameFontFile, fontFile);
    std::fprintf(stderr, "kokurin: %s\n", notice.c_str());
    showBox(notice.c_str(), window());
    if (fontFile.empty()) {
        TTF_Quit();
        return false;
    }
    return true;
}

void unregisterGameFont() {
    releaseGlyphs();
    TtfFontMaker maker;
    cache.releaseAll(maker);
    fontFile.clear();
    TTF_Quit();
}

namespace sdl {

int textWidth(const char* text, int height, const char* faceName) {
    if (renderer() == nullptr || text == nullptr) {
        return 0;
    }
    TtfFontMaker maker;
    Face* face = static_cast<Face*>(cache.findFont(maker, height, faceName));
    int widest = 0;
    while (face != nullptr) {
        widest = std::max(widest, lineWidth(*face, text));
        text = std::strchr(text, '\n');
        if (text == nullptr) {
            break;
        }
        ++text;
    }
    return widest;
}

} // namespace sdl

void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
              TextFormat format) {
    if (renderer() == nullptr || text == nullptr) {
        return;
    }
    TtfFontMaker maker;
    Face* face = static_cast<Face*>(cache.findFont(maker, height, faceName));
    if (face == nullptr) {
        return;
    }
    const TextRect layout = textLayoutRect(x, y, face->lineHeight, format);
    const bool centred = (format & textCentre) != 0;
    // The glyphs are white: the vertex colour gives the text its colour and alpha.
    const SDL_Color tint = {static_cast<Uint8>(colour >> 16), static_cast<Uint8>(colour >> 8),
                            static_cast<Uint8>(colour), static_cast<Uint8>(colour >> 24)};
    int lineTop = layout.top;
    const char* line = text;
    for (;;) {
        int penX = layout.left;
        if (centred) {
            penX += (layout.right - layout.left - lineWidth(*face, line)) / 2;
        }
        while (*line != '\0' && *line != '\n') {
            const Glyph& glyph = glyphFor(*face, nextCodePoint(&line));
            drawGlyph(glyph, penX, lineTop, layout, tint);
            penX += glyph.advance;
        }
        if (*line == '\0') {
            break;
        }
        ++line;
        lineTop += face->lineHeight;
    }
}

} // namespace kokurin
