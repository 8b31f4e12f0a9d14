// The draw queue: vertices and indices grow to the largest frame once and are reused.
#include "sdl/draw_batch.h"

#include <vector>

#include "sdl/display.h"

namespace kokurin {
namespace sdl {

namespace {

struct Batch {
    SDL_Texture* texture = nullptr;
    // Whether every vertex queued is opaque.
    bool opaque = true;
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;
};

Batch batch;

// Starts a batch for texture, sending the queue first when it holds another texture's draws.
void useTexture(SDL_Texture* texture) {
    if (texture != batch.texture) {
        flushDrawing();
        batch.texture = texture;
    }
}

// Two triangles over the corners, top-left first, clockwise.
void queueQuad(SDL_Texture* texture, const SDL_Rect& target, SDL_Color colour, float u0, float v0,
               float u1, float v1) {
    useTexture(texture);
    batch.opaque = batch.opaque && colour.a == 0xFF;
    const int first = static_cast<int>(batch.vertices.size());
    const float x0 = static_cast<float>(target.x);
    const float y0 = static_cast<float>(target.y);
    const float x1 = static_cast<float>(target.x + target.w);
    const float y1 = static_cast<float>(target.y + target.h);
    batch.vertices.push_back(SDL_Vertex{{x0, y0}, colour, {u0, v0}});
    batch.vertices.push_back(SDL_Vertex{{x1, y0}, colour, {u1, v0}});
    batch.vertices.push_back(SDL_Vertex{{x1, y1}, colour, {u1, v1}});
    batch.vertices.push_back(SDL_Vertex{{x0, y1}, colour, {u0, v1}});
    for (int corner : {0, 1, 2, 0, 2, 3}) {
        batch.indices.push_back(first + corner);
    }
}

} // namespace

void queueTriangles(SDL_Texture* texture, const SDL_Vertex* vertices, int vertexCount,
                    const int* indices, int indexCount) {
    useTexture(texture);
    const int first = static_cast<int>(batch.vertices.size());
    batch.vertices.insert(batch.vertices.end(), vertices, vertices + vertexCount);
    for (int i = 0; i < vertexCount; ++i) {
        batch.opaque = batch.opaque && vertices[i].color.a == 0xFF;
    }
    for (int i = 0; i < indexCount; ++i) {
        batch.indices.push_back(first + indices[i]);
    }
}

void queueRect(const SDL_Rect& target, SDL_Color colour) {
    queueQuad(nullptr, target, colour, 0.0f, 0.0f, 0.0f, 0.0f);
}

void queueTexels(SDL_Texture* texture, int textureWidth, int textureHeight, const SDL_Rect& source,
                 const SDL_Rect& target, SDL_Color colour) {
    const float w = static_cast<float>(textureWidth);
    const float h = static_cast<float>(textureHeight);
    queueQuad(texture, target, colour, static_cast<float>(source.x) / w,
              static_cast<float>(source.y) / h, static_cast<float>(source.x + source.w) / w,
              static_cast<float>(source.y + source.h) / h);
}

void flushDrawing() {
    SDL_Renderer* r = renderer();
    if (!batch.indices.empty() && r != nullptr) {
        // Opaque colours blended over anything give exactly themselves: the renderer need not
        // read what lies beneath (a full-screen backdrop costs a third less).
        const bool plain = batch.texture == nullptr && batch.opaque;
        if (plain) {
            SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
        }
        SDL_RenderGeometry(r, batch.texture, batch.vertices.data(),
                           static_cast<int>(batch.vertices.size()), batch.indices.data(),
                           static_cast<int>(batch.indices.size()));
        if (plain) {
            SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
        }
    }
    batch.vertices.clear();
    batch.indices.clear();
    batch.opaque = true;
}

} // namespace sdl
} // namespace kokurin
