// The untextured primitives and the one picture on the SDL renderer.
#pragma once

namespace kokurin {
namespace sdl {

// Drops the picture (its texture and its pixels), before the renderer goes.
void releasePicture();
// Uploads the picture's pixels again after the renderer lost its textures.
void remakePictureTexture();

} // namespace sdl
} // namespace kokurin
