// The 2D drawing layer on the device: fixed texture states, the one picture with its quad,
// untextured primitives, and text through D3DX fonts held in the font cache.
#pragma once

#include <cstdint>

#include <d3dx9.h>

#include "gfx/font_cache.h"
#include "platform/platform.h"

namespace kokurin {

// The picture last loaded, with the file's image information.
struct TextureEntry {
    // Null when the file did not load.
    IDirect3DTexture9* texture;
    D3DXIMAGE_INFO info;
};

class Renderer2D {
  public:
    // Keeps a copy of the device pointer and applies the texture states.
    void init(IDirect3DDevice9* device);
    // Exit-time teardown: the picture, every font of the cache.
    void shutdown();
    void applyTextureStates();

    HRESULT loadBackground(const char* fileName);
    void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                        float angle, float depth);
    void drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount,
                             const ColourVertex* vertices);
    void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
                  TextFormat format);

    // Around a device reset: fonts release and retake their video memory.
    void onLostDevice();
    void onResetDevice();

    const FontCache& fontCache() const { return fontCache_; }
    const TextureEntry* backgroundTexture() const { return backgroundTexture_; }

  private:
    void releaseBackground();

    IDirect3DDevice9* device_ = nullptr;
    TextureEntry* backgroundTexture_ = nullptr;
    FontCache fontCache_;
};

extern Renderer2D renderer2D;

} // namespace kokurin
