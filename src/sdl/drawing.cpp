// drawColourPrimitive, loadBackground and drawBackground on the SDL renderer, with Direct3D's
// culling and line rules (SDL draws every triangle and its own lines) and its wrapping of small
// pictures (SDL does not wrap texture coordinates). Everything goes through the draw queue.
#include "sdl/drawing.h"

#include <cstdio>
#include <vector>

#include "gfx/background_quad.h"
#include "platform/platform.h"
#include "sdl/display.h"
#include "sdl/draw_batch.h"
#include "sdl/primitive_geometry.h"

namespace kokurin {
namespace sdl {

namespace {

constexpr int pictureSide = static_cast<int>(backgroundSide);

struct Picture {
    // The picture's top-left 128 x 128 texels, repeated where it is smaller: what the quad shows.
    SDL_Surface* square = nullptr;
    SDL_Texture* texture = nullptr;
};

Picture picture;

// Scratch for the strips: grows to the largest strip once, then is reused every frame.
std::vector<SDL_Vertex> vertexScratch;
std::vector<int> indexScratch;

SDL_Color toSdlColour(Colour colour) {
    return SDL_Color{static_cast<Uint8>(colour >> 16), static_cast<Uint8>(colour >> 8),
                     static_cast<Uint8>(colour), static_cast<Uint8>(colour >> 24)};
}

Uint8 mix(Uint8 from, Uint8 to, float t) {
    return static_cast<Uint8>(static_cast<float>(from) + (static_cast<float>(to) - from) * t +
                              0.5f);
}

void drawLine(const ColourVertex& from, const ColourVertex& to) {
    const LineSpan span(from.x, from.y, to.x, to.y);
    const int count = span.count();
    if (count == 0) {
        return;
    }
    const SDL_Color a = toSdlColour(from.colour);
    const SDL_Color b = toSdlColour(to.colour);
    if (span.straight() && from.colour == to.colour) {
        // One row or column of one colour (every line the game draws): a single rectangle.
        const int x0 = span.x(0);
        const int y0 = span.y(0);
        const int x1 = span.x(count - 1);
        const int y1 = span.y(count - 1);
        queueRect(
            SDL_Rect{SDL_min(x0, x1), SDL_min(y0, y1), SDL_abs(x1 - x0) + 1, SDL_abs(y1 - y0) + 1},
            a);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(count);
        queueRect(
            SDL_Rect{span.x(i), span.y(i), 1, 1},
            SDL_Color{mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), mix(a.a, b.a, t)});
    }
}

// Queues the clockwise triangles of the strip in vertexScratch.
void drawStrip(SDL_Texture* texture, unsigned triangleCount) {
    indexScratch.resize(3 * static_cast<std::size_t>(triangleCount));
    const int indexCount = clockwiseStripTriangles(
        triangleCount,
        [](int i) {
            return Point{vertexScratch[i].position.x, vertexScratch[i].position.y};
        },
        indexScratch.data());
    if (indexCount > 0) {
        queueTriangles(texture, vertexScratch.data(), static_cast<int>(vertexScratch.size()),
                       indexScratch.data(), indexCount);
    }
}

} // namespace

void releasePicture() {
    // Draws of the picture still queued go out before it does.
    flushDrawing();
    if (picture.texture != nullptr) {
        SDL_DestroyTexture(picture.texture);
        picture.texture = nullptr;
    }
    if (picture.square != nullptr) {
        SDL_FreeSurface(picture.square);
        picture.square = nullptr;
    }
}

void remakePictureTexture() {
    flushDrawing();
    if (picture.texture != nullptr) {
        SDL_DestroyTexture(picture.texture);
        picture.texture = nullptr;
    }
    if (picture.square == nullptr || renderer() == nullptr) {
        return;
    }
    picture.texture = SDL_CreateTextureFromSurface(renderer(), picture.square);
    if (picture.texture != nullptr) {
        SDL_SetTextureBlendMode(picture.texture, SDL_BLENDMODE_BLEND);
        // One texel per pixel at scale 1: no smoothing, as the device samples.
        SDL_SetTextureScaleMode(picture.texture, SDL_ScaleModeNearest);
    }
}

} // namespace sdl

using namespace sdl;

void drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount,
                         const ColourVertex* vertices) {
    if (renderer() == nullptr || vertices == nullptr || primitiveCount == 0) {
        return;
    }
    if (kind == PrimitiveKind::LineList) {
        for (unsigned line = 0; line < primitiveCount; ++line) {
            drawLine(vertices[2 * line], vertices[2 * line + 1]);
        }
        return;
    }
    vertexScratch.resize(primitiveCount + 2);
    for (unsigned i = 0; i < primitiveCount + 2; ++i) {
        vertexScratch[i] = SDL_Vertex{
            {vertices[i].x, vertices[i].y}, toSdlColour(vertices[i].colour), {0.0f, 0.0f}};
    }
    drawStrip(nullptr, primitiveCount);
}

ResultCode loadBackground(const char* fileName) {
    // The previous picture goes whether or not the new one loads.
    releasePicture();
    if (fileName == nullptr || renderer() == nullptr) {
        return resultFailed;
    }
    SDL_RWops* file = SDL_RWFromFile(fileName, "rb");
    SDL_Surface* loaded = file != nullptr ? SDL_LoadBMP_RW(file, 1) : nullptr;
    if (loaded == nullptr) {
        std::fprintf(stderr, "kokurin: cannot load %s (%s)\n", fileName, SDL_GetError());
        return resultFailed;
    }
    SDL_Surface* source = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    SDL_Surface* square =
        SDL_CreateRGBSurfaceWithFormat(0, pictureSide, pictureSide, 32, SDL_PIXELFORMAT_ARGB8888);
    if (source == nullptr || square == nullptr || source->w <= 0 || source->h <= 0) {
        SDL_FreeSurface(source);
        SDL_FreeSurface(square);
        return resultFailed;
    }
    // The device wraps texture coordinates past the picture's edge; SDL clamps them, so the
    // repeats are made here once.
    for (int y = 0; y < pictureSide; ++y) {
        const auto* from = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(source->pixels) + (y % source->h) * source->pitch);
        auto* to =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(square->pixels) + y * square->pitch);
        for (int x = 0; x < pictureSide; ++x) {
            to[x] = from[x % source->w];
        }
    }
    SDL_FreeSurface(source);
    picture.square = square;
    remakePictureTexture();
    if (picture.texture == nullptr) {
        releasePicture();
        return resultFailed;
    }
    return resultOk;
}

void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth) {
    if (renderer() == nullptr || picture.texture == nullptr) {
        return;
    }
    TexturedVertex quad[4];
    // The square already holds the top-left 128 x 128 texels: its coordinates run 0 to 1.
    if (!fillBackgroundQuad(quad, x, y, scaleX, scaleY, pivotX, pivotY, angle, depth,
                            backgroundSide, backgroundSide)) {
        return;
    }
    vertexScratch.resize(4);
    for (int i = 0; i < 4; ++i) {
        vertexScratch[i] =
            SDL_Vertex{{quad[i].x, quad[i].y}, toSdlColour(quad[i].colour), {quad[i].u, quad[i].v}};
    }
    drawStrip(picture.texture, 2);
}

} // namespace kokurin
