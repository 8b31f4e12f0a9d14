// One renderer call for many draws: consecutive triangles, rectangles and glyphs that use the
// same texture (or none) are queued and sent as a single SDL_RenderGeometry, in drawing order.
// Every draw of the game is small, and a renderer pays for each call far more than for its
// pixels.
#pragma once

#include <SDL.h>

namespace kokurin {
namespace sdl {

// Queues triangles of vertices (indices into them) drawn with texture (null: untextured).
void queueTriangles(SDL_Texture* texture, const SDL_Vertex* vertices, int vertexCount,
                    const int* indices, int indexCount);
// Queues a rectangle of whole pixels in one colour, or showing the texels of source (in a
// texture of textureWidth x textureHeight) one to one, tinted by colour.
void queueRect(const SDL_Rect& target, SDL_Color colour);
void queueTexels(SDL_Texture* texture, int textureWidth, int textureHeight, const SDL_Rect& source,
                 const SDL_Rect& target, SDL_Color colour);
// Sends what is queued to the renderer: before the frame is read or shown, and before a
// texture that may be queued changes or goes.
void flushDrawing();

} // namespace sdl
} // namespace kokurin
