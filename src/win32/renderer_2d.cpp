// Renderer2D: pictures, primitives and text on the Direct3D 9 device, and the drawing calls the
// screens make.
#include "win32/renderer_2d.h"

#include <string>

#include "gfx/background_quad.h"
#include "gfx/text_layout.h"
#include "win32/d3dx_library.h"
#include "win32/wide_text.h"

namespace kokurin {

Renderer2D renderer2D;

namespace {

constexpr DWORD colourVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr DWORD texturedVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(colourVertexFormat == 0x44, "ColourVertex format");
static_assert(texturedVertexFormat == 0x144, "TexturedVertex format");

// Makes the cache's fonts with D3DX on the renderer's device.
class D3dxFontMaker : public FontMaker {
  public:
    explicit D3dxFontMaker(IDirect3DDevice9* device) : device_(device) {}

    FontHandle makeFont(const FontRequest& request) override {
        if (device_ == nullptr || d3dx().createFont == nullptr) {
            return nullptr;
        }
        ID3DXFont* font = nullptr;
        const DWORD charSet =
            request.script == FontScript::Japanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
        const HRESULT result =
            d3dx().createFont(device_, request.height, 0, FW_NORMAL, D3DX_DEFAULT, FALSE, charSet,
                              OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_SCRIPT,
                              toWideInto(faceBuffer_, request.faceName), &font);
        return FAILED(result) ? nullptr : font;
    }

    void releaseFont(FontHandle font) override { static_cast<ID3DXFont*>(font)->Release(); }

  private:
    IDirect3DDevice9* device_;
    std::wstring faceBuffer_;
};

// Scratch for converting texts: grows to the longest text once, then is reused every frame.
std::wstring textScratch;

template <typename Visit> void forEachFont(const FontCache& cache, Visit visit) {
    for (int index = 0; index < fontCacheSlots; ++index) {
        if (cache.slot(index).font != nullptr) {
            visit(static_cast<ID3DXFont*>(cache.slot(index).font));
        }
    }
}

// The font file's path as GDI takes it.
std::wstring fontFilePath() {
    std::wstring path = toWide(gameFontFile);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

} // namespace

void Renderer2D::init(IDirect3DDevice9* device) {
    device_ = device;
    applyTextureStates();
}

void Renderer2D::applyTextureStates() {
    if (device_ == nullptr) {
        return;
    }
    // Texture colour and alpha are multiplied by the vertex's.
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_NONE);
    // Wrapping repeats a picture smaller than 128 texels across the quad.
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
}

void Renderer2D::shutdown() {
    releaseBackground();
    D3dxFontMaker maker(device_);
    fontCache_.releaseAll(maker);
}

void Renderer2D::releaseBackground() {
    if (backgroundTexture_ == nullptr) {
        return;
    }
    if (backgroundTexture_->texture != nullptr) {
        backgroundTexture_->texture->Release();
    }
    delete backgroundTexture_;
    backgroundTexture_ = nullptr;
}

HRESULT Renderer2D::loadBackground(const char* fileName) {
    // The previous picture goes whether or not the new one loads.
    releaseBackground();
    TextureEntry* entry = new TextureEntry;
    entry->texture = nullptr;
    // A file D3DX cannot read leaves the information zeroed.
    ZeroMemory(&entry->info, sizeof entry->info);
    backgroundTexture_ = entry;
    if (device_ == nullptr || fileName == nullptr || d3dx().createTextureFromFileEx == nullptr) {
        return E_FAIL;
    }
    const std::wstring path = toWide(fileName);
    d3dx().getImageInfoFromFile(path.c_str(), &entry->info);
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result = d3dx().createTextureFromFileEx(
        device_, path.c_str(), entry->info.Width, entry->info.Height, 0, 0, D3DFMT_A8R8G8B8,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &entry->info, nullptr, &texture);
    if (FAILED(result)) {
        return E_FAIL;
    }
    entry->texture = texture;
    return entry->texture != nullptr ? S_OK : E_FAIL;
}

void Renderer2D::drawBackground(int x, int y, float scaleX, float scaleY, float pivotX,
                                float pivotY, float angle, float depth) {
    if (device_ == nullptr || backgroundTexture_ == nullptr ||
        backgroundTexture_->texture == nullptr) {
        return;
    }
    TexturedVertex quad[4];
    // Corners on whole pixels, no half-pixel offset: under Wine the edge texels may wrap
    // (kept: texel-shift).
    if (!fillBackgroundQuad(quad, x, y, scaleX, scaleY, pivotX, pivotY, angle, depth,
                            static_cast<float>(backgroundTexture_->info.Width),
                            static_cast<float>(backgroundTexture_->info.Height))) {
        return;
    }
    device_->SetTexture(0, backgroundTexture_->texture);
    device_->SetFVF(texturedVertexFormat);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TexturedVertex));
}

void Renderer2D::drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount,
                                     const ColourVertex* vertices) {
    if (device_ == nullptr || vertices == nullptr || primitiveCount == 0) {
        return;
    }
    const D3DPRIMITIVETYPE type =
        kind == PrimitiveKind::LineList ? D3DPT_LINELIST : D3DPT_TRIANGLESTRIP;
    device_->SetTexture(0, nullptr);
    device_->SetFVF(colourVertexFormat);
    device_->DrawPrimitiveUP(type, primitiveCount, vertices, sizeof(ColourVertex));
}

void Renderer2D::drawText(int x, int y, const char* text, Colour colour, int height,
                          const char* faceName, TextFormat format) {
    if (device_ == nullptr || text == nullptr) {
        return;
    }
    D3dxFontMaker maker(device_);
    ID3DXFont* font = static_cast<ID3DXFont*>(fontCache_.findFont(maker, height, faceName));
    if (font == nullptr) {
        return;
    }
    TEXTMETRICW metrics;
    ZeroMemory(&metrics, sizeof metrics);
    font->GetTextMetricsW(&metrics);
    const TextRect layout = textLayoutRect(x, y, metrics.tmHeight, format);
    RECT rect = {layout.left, layout.top, layout.right, layout.bottom};
    const DWORD alignment = (format & textCentre) != 0 ? DT_CENTER : DT_LEFT | DT_TOP;
    font->DrawTextW(nullptr, toWideInto(textScratch, text), -1, &rect, alignment, colour);
}

void Renderer2D::onLostDevice() {
    forEachFont(fontCache_, [](ID3DXFont* font) { font->OnLostDevice(); });
}

void Renderer2D::onResetDevice() {
    forEachFont(fontCache_, [](ID3DXFont* font) { font->OnResetDevice(); });
}

bool registerGameFont() {
    return AddFontResourceW(fontFilePath().c_str()) > 0;
}

void unregisterGameFont() {
    RemoveFontResourceW(fontFilePath().c_str());
}

void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
              TextFormat format) {
    renderer2D.drawText(x, y, text, colour, height, faceName, format);
}

ResultCode loadBackground(const char* fileName) {
    return SUCCEEDED(renderer2D.loadBackground(fileName)) ? resultOk : resultFailed;
}

void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth) {
    renderer2D.drawBackground(x, y, scaleX, scaleY, pivotX, pivotY, angle, depth);
}

void drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount,
                         const ColourVertex* vertices) {
    renderer2D.drawColourPrimitive(kind, primitiveCount, vertices);
}

} // namespace kokurin
