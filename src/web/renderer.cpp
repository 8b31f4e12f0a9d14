// The drawing calls of the browser: text through the page's fonts and the 32-slot cache,
// the picture quad and the untextured primitives, all into the frame's command list.
#include <cmath>
#include <cstdint>

#include "gfx/background_quad.h"
#include "gfx/font_cache.h"
#include "gfx/text_layout.h"
#include "platform/platform.h"
#include "web/frame_draws.h"
#include "web/page_bridge.h"
#include "web/primitive_raster.h"

namespace kokurin {

namespace web {

DrawList& frameDraws() {
    static DrawList list;
    return list;
}

} // namespace web

namespace {

// The page's fonts are numbered from 1; the cache holds the number as its handle.
class PageFontMaker : public FontMaker {
  public:
    FontHandle makeFont(const FontRequest& request) override {
        const int font = kokurin_page_make_font(request.height, request.faceName);
        return font > 0 ? reinterpret_cast<FontHandle>(static_cast<std::intptr_t>(font)) : nullptr;
    }

    void releaseFont(FontHandle font) override {
        kokurin_page_release_font(static_cast<int>(reinterpret_cast<std::intptr_t>(font)));
    }
};

FontCache fontCache;

struct Picture {
    bool loaded = false;
    int width = 0;
    int height = 0;
};
Picture picture;

// Minifying pictures are sampled linearly, magnified or one-to-one ones by nearest texel.
bool minifies(const TexturedVertex quad[4]) {
    const double acrossX = quad[3].x - quad[1].x;
    const double acrossY = quad[3].y - quad[1].y;
    const double downX = quad[0].x - quad[1].x;
    const double downY = quad[0].y - quad[1].y;
    return std::hypot(acrossX, acrossY) < backgroundSide - 0.5 ||
           std::hypot(downX, downY) < backgroundSide - 0.5;
}

} // namespace

void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
              TextFormat format) {
    if (text == nullptr) {
        return;
    }
    PageFontMaker maker;
    const FontHandle font = fontCache.findFont(maker, height, faceName);
    if (font == nullptr) {
        return;
    }
    // A font asked for h pixels has lines h pixels high.
    const TextRect clip = textLayoutRect(x, y, height, format);
    web::frameDraws().addText(x, y, colour, static_cast<int>(reinterpret_cast<std::intptr_t>(font)),
                              format, clip, text);
}

ResultCode loadBackground(const char* fileName) {
    // The previous picture goes whether or not the new one loads.
    picture = Picture{};
    if (fileName == nullptr ||
        !kokurin_page_load_picture(fileName, &picture.width, &picture.height)) {
        picture = Picture{};
        return resultFailed;
    }
    picture.loaded = true;
    return resultOk;
}

void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth) {
    if (!picture.loaded) {
        return;
    }
    TexturedVertex quad[4];
    if (!fillBackgroundQuad(quad, x, y, scaleX, scaleY, pivotX, pivotY, angle, depth,
                            static_cast<float>(picture.width),
                            static_cast<float>(picture.height))) {
        return;
    }
    // The strip's two triangles, the second with its first two vertices exchanged.
    int mask = 0;
    if (web::windingArea(quad[0].x, quad[0].y, quad[1].x, quad[1].y, quad[2].x, quad[2].y) > 0) {
        mask |= 1;
    }
    if (web::windingArea(quad[2].x, quad[2].y, quad[1].x, quad[1].y, quad[3].x, quad[3].y) > 0) {
        mask |= 2;
    }
    if (mask != 0) {
        web::frameDraws().addPicture(quad, mask, minifies(quad));
    }
}

void drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount,
                         const ColourVertex* vertices) {
    if (vertices == nullptr || primitiveCount == 0) {
        return;
    }
    if (kind == PrimitiveKind::LineList) {
        web::rasterizeLines(vertices, primitiveCount, web::frameDraws());
    } else {
        web::rasterizeTriangleStrip(vertices, primitiveCount, web::frameDraws());
    }
}

bool registerGameFont() {
    return kokurin_page_register_font() != 0;
}

void unregisterGameFont() {
    kokurin_page_unregister_font();
}

} // namespace kokurin
