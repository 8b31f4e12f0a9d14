// The Direct3D front end on a real device: every frame is drawn, then the back buffer is read
// back (GetRenderTargetData into system memory) and its pixels checked. Runs under Wine in Xvfb.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "win32/main_window.h"
#include "win32/wide_text.h"
#include "gfx/text_format.h"
#include "platform/platform.h"
#include "win32/d3dx_library.h"
#include "win32/graphics_device.h"
#include "win32/renderer_2d.h"
#include "win32/scene_camera.h"

using namespace kokurin;

namespace {

constexpr std::uint32_t rgbMask = 0x00FFFFFFu;

const std::uint32_t red = 0xFF0000;
const std::uint32_t green = 0x00FF00;
const std::uint32_t blue = 0x0000FF;
const std::uint32_t white = 0xFFFFFF;
const std::uint32_t magenta = 0xFF00FF;
const std::uint32_t yellow = 0xFFFF00;

// One captured back buffer, 640 x 480, as 0xAARRGGBB.
struct Frame {
    std::vector<std::uint32_t> pixels;
    bool hasAlpha = false;

    std::uint32_t rgb(int x, int y) const { return pixels[y * screenWidth + x] & rgbMask; }
    std::uint32_t alpha(int x, int y) const { return pixels[y * screenWidth + x] >> 24; }
    bool lit(int x, int y) const { return rgb(x, y) != 0; }
    int litCount(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                count += lit(x, y) ? 1 : 0;
            }
        }
        return count;
    }
};

// Writes a 24-bit BMP whose pixel (x, y) is colourAt(x, y) (0xRRGGBB).
bool writeBmp(const std::wstring& path, int width, int height,
              const std::function<std::uint32_t(int, int)>& colourAt) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const int imageBytes = rowBytes * height;
    std::vector<unsigned char> file(54 + imageBytes, 0);
    auto put16 = [&](int at, int value) {
        file[at] = value & 0xFF;
        file[at + 1] = (value >> 8) & 0xFF;
    };
    auto put32 = [&](int at, int value) {
        put16(at, value & 0xFFFF);
        put16(at + 2, (value >> 16) & 0xFFFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<int>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up, blue first.
        unsigned char* row = &file[54 + (height - 1 - y) * rowBytes];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = colourAt(x, y);
            row[x * 3] = colour & 0xFF;
            row[x * 3 + 1] = (colour >> 8) & 0xFF;
            row[x * 3 + 2] = (colour >> 16) & 0xFF;
        }
    }
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(handle, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(handle);
    return ok && written == file.size();
}

// Four quadrants of a 128 x 128 picture: red, green / blue, yellow.
std::uint32_t quadrants(int x, int y) {
    if (y < 64) {
        return x < 64 ? red : green;
    }
    return x < 64 ? blue : yellow;
}

std::wstring testFolder;

// Draws one frame with draw, reads the back buffer after EndScene, then presents it.
Frame render(const std::function<void()>& draw) {
    Frame frame;
    graphicsDevice.beginFrame();
    draw();
    direct3DDevice->EndScene();
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc;
    if (SUCCEEDED(direct3DDevice->GetRenderTarget(0, &target)) &&
        SUCCEEDED(target->GetDesc(&desc)) &&
        SUCCEEDED(direct3DDevice->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                              D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(direct3DDevice->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked;
        if ((desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
            SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            frame.hasAlpha = desc.Format == D3DFMT_A8R8G8B8;
            frame.pixels.resize(screenWidth * screenHeight);
            for (int y = 0; y < screenHeight; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const unsigned char*>(locked.pBits) + y * locked.Pitch);
                std::copy(row, row + screenWidth, frame.pixels.begin() + y * screenWidth);
            }
            copy->UnlockRect();
        }
    }
    if (copy != nullptr) {
        copy->Release();
    }
    if (target != nullptr) {
        target->Release();
    }
    direct3DDevice->Present(nullptr, nullptr, nullptr, nullptr);
    return frame;
}

ColourVertex vertex(float x, float y, std::uint32_t colour) {
    return {x, y, 0.0f, 1.0f, colour};
}

// A filled rectangle the way the screens draw it: top-right, bottom-right, top-left,
// bottom-left, both triangles clockwise on screen.
void drawRect(float left, float top, float right, float bottom, std::uint32_t colour) {
    const ColourVertex strip[4] = {vertex(right, top, colour), vertex(right, bottom, colour),
                                   vertex(left, top, colour), vertex(left, bottom, colour)};
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, strip);
}

void drawLine(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    const ColourVertex line[2] = {vertex(x1, y1, colour), vertex(x2, y2, colour)};
    drawColourPrimitive(PrimitiveKind::LineList, 1, line);
}

std::string picture(const char* name) {
    return std::string("data/") + name;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(direct3DDevice, nullptr) << "no Direct3D 9 device"; }
};

} // namespace

TEST_F(RenderTest, EveryFrameStartsOpaqueBlack) {
    Frame drawn = render([] { drawRect(0, 0, 640, 480, 0xFFFFFFFF); });
    ASSERT_FALSE(drawn.pixels.empty()) << "back buffer not readable";
    EXPECT_EQ(drawn.rgb(0, 0), white);
    EXPECT_EQ(drawn.rgb(639, 479), white);
    Frame next = render([] {});
    EXPECT_EQ(next.litCount(0, 0, screenWidth, screenHeight), 0);
    if (next.hasAlpha) {
        EXPECT_EQ(next.alpha(320, 240), 0xFFu);
    }
}

TEST_F(RenderTest, SolidRectangleCoversExactlyItsPixels) {
    Frame frame = render([] { drawRect(100, 50, 200, 80, 0xFF00FF00); });
    for (int y = 40; y < 90; ++y) {
        for (int x = 90; x < 210; ++x) {
            const bool inside = x >= 100 && x < 200 && y >= 50 && y < 80;
            ASSERT_EQ(frame.rgb(x, y), inside ? green : 0u) << "at " << x << "," << y;
        }
    }
}

TEST_F(RenderTest, CounterClockwiseQuadIsCulled) {
    Frame frame = render([] {
        // Top-left, bottom-left, top-right, bottom-right: both triangles counter-clockwise.
        const ColourVertex strip[4] = {vertex(100, 100, 0xFFFFFFFF), vertex(100, 200, 0xFFFFFFFF),
                                       vertex(200, 100, 0xFFFFFFFF), vertex(200, 200, 0xFFFFFFFF)};
        drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, strip);
        drawRect(300, 100, 400, 200, 0xFFFFFFFF);
    });
    EXPECT_EQ(frame.litCount(90, 90, 210, 210), 0);
    EXPECT_EQ(frame.litCount(300, 100, 400, 200), 100 * 100);
}

TEST_F(RenderTest, TranslucentColoursBlendByTheirAlpha) {
    Frame frame = render([] {
        drawRect(0, 0, 100, 100, 0xFFFFFFFF);
        drawRect(50, 0, 150, 100, 0x80FF0000);
    });
    // Over white: red stays full, green and blue halve. Over black: red halves.
    const std::uint32_t overWhite = frame.rgb(75, 50);
    EXPECT_EQ(overWhite >> 16, 0xFFu);
    EXPECT_NEAR(static_cast<int>((overWhite >> 8) & 0xFF), 0x7F, 2);
    const std::uint32_t overBlack = frame.rgb(125, 50);
    EXPECT_NEAR(static_cast<int>(overBlack >> 16), 0x80, 2);
    EXPECT_EQ(overBlack & 0xFFFF, 0u);
}

TEST_F(RenderTest, OnePixelLinesLandOnTheirColumnsAndRows) {
    Frame frame = render([] {
        drawLine(50, 100, 50, 200, 0xFFFF0000);
        drawLine(100, 300, 200, 300, 0xFF00FF00);
    });
    EXPECT_EQ(frame.rgb(50, 150), red);
    EXPECT_EQ(frame.litCount(50, 100, 51, 200), 100);
    EXPECT_EQ(frame.litCount(49, 90, 50, 210), 0);
    EXPECT_EQ(frame.litCount(51, 90, 52, 210), 0);
    EXPECT_EQ(frame.rgb(150, 300), green);
    EXPECT_EQ(frame.litCount(100, 300, 200, 301), 100);
    EXPECT_EQ(frame.litCount(90, 299, 210, 300), 0);
    EXPECT_EQ(frame.litCount(90, 301, 210, 302), 0);
}

TEST_F(RenderTest, PictureAtScaleOneCoversItsSquareWithItsTexels) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 128 * 128);
    EXPECT_EQ(frame.rgb(310, 110), red);
    EXPECT_EQ(frame.rgb(420, 110), green);
    EXPECT_EQ(frame.rgb(310, 220), blue);
    EXPECT_EQ(frame.rgb(420, 220), yellow);
    // One texel per pixel: the quadrants meet 64 pixels in.
    EXPECT_EQ(frame.rgb(362, 120), red);
    EXPECT_EQ(frame.rgb(365, 120), green);
}

TEST_F(RenderTest, PictureAtScaleTwoGrowsAboutItsPivot) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 2.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(236, 36, 492, 292), 256 * 256);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 256 * 256);
    EXPECT_EQ(frame.rgb(240, 40), red);
    EXPECT_EQ(frame.rgb(488, 288), yellow);
}

TEST_F(RenderTest, MirroredPictureIsCulledAndAHalfTurnIsDrawn) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame mirrored = render([] { drawBackground(300, 100, -1.0f, 1.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(mirrored.litCount(0, 0, screenWidth, screenHeight), 0);
    Frame turned = render([] { drawBackground(300, 100, -1.0f, -1.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(turned.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(turned.rgb(310, 110), yellow);
    EXPECT_EQ(turned.rgb(420, 220), red);
}

TEST_F(RenderTest, PositiveAngleTurnsThePictureClockwise) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame frame =
        render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 1.5707964f, 0.0f); });
    EXPECT_EQ(frame.rgb(420, 110), red);
    EXPECT_EQ(frame.rgb(420, 220), green);
    EXPECT_EQ(frame.rgb(310, 110), blue);
}

TEST_F(RenderTest, SmallPictureTilesTwoByTwo) {
    ASSERT_EQ(loadBackground(picture("small.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    for (int tileY = 0; tileY < 2; ++tileY) {
        for (int tileX = 0; tileX < 2; ++tileX) {
            const int x = 300 + 64 * tileX;
            const int y = 100 + 64 * tileY;
            EXPECT_EQ(frame.rgb(x + 10, y + 10), magenta) << tileX << "," << tileY;
            EXPECT_EQ(frame.rgb(x + 50, y + 10), blue) << tileX << "," << tileY;
            EXPECT_EQ(frame.rgb(x + 10, y + 50), blue) << tileX << "," << tileY;
        }
    }
}

TEST_F(RenderTest, LargePictureShowsOnlyItsTopLeftSquare) {
    ASSERT_EQ(loadBackground(picture("large.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(300, 100, 428, 228), 128 * 128);
    EXPECT_EQ(frame.rgb(310, 110), red);
    EXPECT_EQ(frame.rgb(420, 220), yellow);
    // One texel per pixel: the picture's quadrants meet 64 pixels in.
    EXPECT_EQ(frame.rgb(362, 120), red);
    EXPECT_EQ(frame.rgb(365, 120), green);
    // Pixel centres on the quad's edge sample exactly on a texel boundary, where wrapping may
    // take the far side's texel: the rest of the picture must not show inside.
    int magentaPixels = 0;
    for (int y = 101; y < 227; ++y) {
        for (int x = 301; x < 427; ++x) {
            magentaPixels += frame.rgb(x, y) == magenta ? 1 : 0;
        }
    }
    EXPECT_EQ(magentaPixels, 0);
}

TEST_F(RenderTest, MissingPictureDrawsNothingAndRemovesThePreviousOne) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(loadBackground(picture("missing.bmp").c_str())),
              0x80004005u);
    Frame frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
    // A file that is not a picture is refused the same way.
    EXPECT_NE(loadBackground(picture("notapicture.bmp").c_str()), 0);
    frame = render([] { drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
}

TEST_F(RenderTest, PictureWithAJapaneseFileNameLoads) {
    ASSERT_EQ(loadBackground(picture("肖像.bmp").c_str()), 0);
    Frame frame = render([] { drawBackground(0, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f); });
    EXPECT_EQ(frame.rgb(10, 10), red);
}

TEST_F(RenderTest, TextAppearsAtItsPositionAndNotLeftOfIt) {
    const FontCache& cache = renderer2D.fontCache();
    Frame frame = render([] { drawText(100, 200, "剋輪闘 ABC", 0xFFFFFFFF, 36, gameFace, 0); });
    const int inside = frame.litCount(100, 200, 640, 200 + 48);
    EXPECT_GT(inside, 200);
    EXPECT_EQ(frame.litCount(0, 0, 100, screenHeight), 0);
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, 200), 0);
    EXPECT_EQ(frame.litCount(0, 200 + 48, screenWidth, screenHeight), 0);
    // Drawn again: the cached font, no new slot.
    int filled = 0;
    for (int index = 0; index < fontCacheSlots; ++index) {
        filled += cache.slot(index).height != 0 ? 1 : 0;
    }
    Frame again = render([] { drawText(100, 200, "剋輪闘 ABC", 0xFFFFFFFF, 36, gameFace, 0); });
    int filledAfter = 0;
    for (int index = 0; index < fontCacheSlots; ++index) {
        filledAfter += cache.slot(index).height != 0 ? 1 : 0;
    }
    EXPECT_EQ(filledAfter, filled);
    EXPECT_EQ(again.pixels, frame.pixels);
}

TEST_F(RenderTest, TextTakesItsColour) {
    Frame frame = render([] { drawText(20, 20, "■■■", 0xFF00FF00, 40, gameFace, 0); });
    int greenPixels = 0;
    int otherPixels = 0;
    for (int y = 20; y < 80; ++y) {
        for (int x = 20; x < 300; ++x) {
            const std::uint32_t c = frame.rgb(x, y);
            if (c == 0) {
                continue;
            }
            ((c & 0xFF00FF) == 0 ? greenPixels : otherPixels)++;
        }
    }
    EXPECT_GT(greenPixels, 300);
    EXPECT_EQ(otherPixels, 0);
}

TEST_F(RenderTest, CentredTextIsCentredOnX) {
    Frame frame =
        render([] { drawText(200, 300, "ABCDEFGH", 0xFFFFFFFF, 36, gameFace, textCentre); });
    long long sum = 0;
    int count = 0;
    int leftmost = screenWidth;
    int rightmost = -1;
    for (int y = 300; y < 350; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            if (frame.lit(x, y)) {
                sum += x;
                ++count;
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
        }
    }
    ASSERT_GT(count, 100);
    EXPECT_NEAR((leftmost + rightmost) / 2.0, 200.0, 6.0);
    EXPECT_LT(leftmost, 190);
    EXPECT_GT(rightmost, 210);
}

TEST_F(RenderTest, UnknownFaceAndTooManyFontsAreHandledQuietly) {
    // A face name longer than the cache's field draws nothing and fills no slot.
    Frame frame = render([] {
        drawText(10, 10, "ABC", 0xFFFFFFFF, 16, "A face name far longer than thirty-one bytes", 0);
        drawText(10, 10, nullptr, 0xFFFFFFFF, 16, gameFace, 0);
    });
    EXPECT_EQ(frame.litCount(0, 0, screenWidth, screenHeight), 0);
}

namespace {

void expectSceneState() {
    DWORD value = 0;
    direct3DDevice->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    direct3DDevice->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    direct3DDevice->GetRenderState(D3DRS_DITHERENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    direct3DDevice->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    direct3DDevice->GetRenderState(D3DRS_AMBIENT, &value);
    EXPECT_EQ(value, 0xFF888888u);

    direct3DDevice->GetTextureStageState(0, D3DTSS_COLORARG1, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTA_TEXTURE));
    direct3DDevice->GetTextureStageState(0, D3DTSS_COLORARG2, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTA_DIFFUSE));
    direct3DDevice->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    direct3DDevice->GetTextureStageState(0, D3DTSS_ALPHAARG1, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTA_TEXTURE));
    direct3DDevice->GetTextureStageState(0, D3DTSS_ALPHAARG2, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTA_CURRENT));
    direct3DDevice->GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    direct3DDevice->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));
    direct3DDevice->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_NONE));
    direct3DDevice->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
    direct3DDevice->GetSamplerState(0, D3DSAMP_ADDRESSV, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));

    const float half = std::sqrt(0.5f);
    for (DWORD index = 0; index < 2; ++index) {
        BOOL enabled = FALSE;
        direct3DDevice->GetLightEnable(index, &enabled);
        EXPECT_TRUE(enabled) << "light " << index;
        D3DLIGHT9 light;
        ZeroMemory(&light, sizeof light);
        direct3DDevice->GetLight(index, &light);
        EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
        EXPECT_FLOAT_EQ(light.Diffuse.r, 2.0f);
        EXPECT_FLOAT_EQ(light.Diffuse.a, 0.0f);
        EXPECT_FLOAT_EQ(light.Specular.g, 1.0f);
        EXPECT_FLOAT_EQ(light.Ambient.b, 1.0f);
        EXPECT_FLOAT_EQ(light.Range, 0.0f);
        EXPECT_NEAR(light.Direction.x, 0.0f, 1e-6f);
        EXPECT_NEAR(light.Direction.y, -half, 1e-5f);
        EXPECT_NEAR(light.Direction.z, index == 0 ? half : -half, 1e-5f);
    }

    D3DVIEWPORT9 viewport;
    direct3DDevice->GetViewport(&viewport);
    EXPECT_EQ(viewport.X, 0u);
    EXPECT_EQ(viewport.Y, 0u);
    EXPECT_EQ(viewport.Width, 640u);
    EXPECT_EQ(viewport.Height, 480u);
    EXPECT_FLOAT_EQ(viewport.MinZ, 0.0f);
    EXPECT_FLOAT_EQ(viewport.MaxZ, 1.0f);

    // A 90-degree vertical field with aspect 2/3: y scale 1, x scale 1.5.
    D3DMATRIX projection;
    direct3DDevice->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NEAR(projection._11, 1.5f, 1e-5f);
    EXPECT_NEAR(projection._22, 1.0f, 1e-5f);
    EXPECT_NEAR(projection._33, 100.0f / 99.9f, 1e-5f);
    EXPECT_NEAR(projection._34, 1.0f, 1e-6f);
    EXPECT_NEAR(projection._43, -10.0f / 99.9f, 1e-5f);
    EXPECT_NEAR(projection._44, 0.0f, 1e-6f);
    // Looking along +z from (0, 1, -2): the view only moves the world by (0, -1, 2).
    D3DMATRIX view;
    direct3DDevice->GetTransform(D3DTS_VIEW, &view);
    EXPECT_NEAR(view._11, 1.0f, 1e-6f);
    EXPECT_NEAR(view._22, 1.0f, 1e-6f);
    EXPECT_NEAR(view._33, 1.0f, 1e-6f);
    EXPECT_NEAR(view._41, 0.0f, 1e-6f);
    EXPECT_NEAR(view._42, -1.0f, 1e-6f);
    EXPECT_NEAR(view._43, 2.0f, 1e-6f);
}

void drawMixedScene() {
    drawRect(10, 10, 110, 60, 0xC0FF8000);
    drawLine(5, 100, 300, 100, 0xFF00FFFF);
    drawBackground(400, 200, 1.0f, 0.0f, 0.5f, 0.5f, 0.3f, 0.0f);
    drawText(20, 300, "剋輪闘 1P 2P", 0xFFFFFFFF, 18, gameFace, 0);
}

} // namespace

TEST_F(RenderTest, DeviceCarriesTheFixedStatesLightsViewportAndCamera) {
    render([] {});
    expectSceneState();
    DWORD value = 0;
    graphicsDevice.beginFrame();
    direct3DDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    direct3DDevice->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
    direct3DDevice->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    graphicsDevice.endFrame();
}

TEST_F(RenderTest, SceneCameraDoesNotChangeScreenSpaceDrawing) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame withCamera = render(drawMixedScene);
    D3DMATRIX identity = {};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    direct3DDevice->SetTransform(D3DTS_PROJECTION, &identity);
    direct3DDevice->SetTransform(D3DTS_VIEW, &identity);
    direct3DDevice->LightEnable(0, FALSE);
    direct3DDevice->LightEnable(1, FALSE);
    direct3DDevice->SetRenderState(D3DRS_AMBIENT, 0);
    Frame without = render(drawMixedScene);
    sceneCamera.init(direct3DDevice);
    ASSERT_FALSE(withCamera.pixels.empty());
    EXPECT_GT(withCamera.litCount(0, 0, screenWidth, screenHeight), 1000);
    EXPECT_EQ(withCamera.pixels, without.pixels);
}

TEST_F(RenderTest, ResetDeviceRestoresStatesPictureAndFonts) {
    ASSERT_EQ(loadBackground(picture("quadrants.bmp").c_str()), 0);
    Frame before = render(drawMixedScene);
    // Disturb what a reset would lose anyway, so that only re-applying can restore it.
    direct3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    direct3DDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    direct3DDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    direct3DDevice->LightEnable(1, FALSE);
    ASSERT_TRUE(resetDevice());
    expectSceneState();
    Frame after = render(drawMixedScene);
    EXPECT_EQ(after.pixels, before.pixels);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // Pictures are written by the test itself into a folder of its own, which becomes the
    // current directory as the executable's folder is for the game.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    testFolder = std::wstring(temp) + L"kokurin-render-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(testFolder.c_str(), nullptr);
    CreateDirectoryW((testFolder + L"\\data").c_str(), nullptr);
    SetCurrentDirectoryW(testFolder.c_str());
    const std::wstring data = testFolder + L"\\data\\";
    bool written = writeBmp(data + L"quadrants.bmp", 128, 128, quadrants) &&
                   writeBmp(data + toWide("肖像.bmp"), 128, 128, quadrants) &&
                   writeBmp(data + L"small.bmp", 64, 64,
                            [](int x, int y) { return x < 32 && y < 32 ? magenta : blue; }) &&
                   writeBmp(data + L"large.bmp", 256, 256, [](int x, int y) {
                       return x < 128 && y < 128 ? quadrants(x, y) : magenta;
                   });
    {
        HANDLE junk = CreateFileW((data + L"notapicture.bmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD count = 0;
        WriteFile(junk, "not a picture at all", 20, &count, nullptr);
        CloseHandle(junk);
    }
    if (!written) {
        std::fprintf(stderr, "could not write the test pictures\n");
        return 2;
    }

    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (registerWindowClass(instance) || (mainWindow = createMainWindow(instance)) == nullptr) {
        std::fprintf(stderr, "could not create the window\n");
        return 2;
    }
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    if (!loadD3dx()) {
        std::fprintf(stderr, "d3dx9_43.dll not loaded\n");
        return 2;
    }
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D != nullptr) {
        createDevice(mainWindow);
    }
    graphicsDevice.init(direct3DDevice);
    sceneCamera.init(direct3DDevice);
    renderer2D.init(direct3DDevice);

    const int result = RUN_ALL_TESTS();

    renderer2D.shutdown();
    if (direct3DDevice != nullptr) {
        direct3DDevice->Release();
        direct3DDevice = nullptr;
    }
    if (direct3D != nullptr) {
        direct3D->Release();
        direct3D = nullptr;
    }
    DestroyWindow(mainWindow);
    for (const wchar_t* name : {L"quadrants.bmp", L"small.bmp", L"large.bmp", L"notapicture.bmp"}) {
        DeleteFileW((data + name).c_str());
    }
    DeleteFileW((data + toWide("肖像.bmp")).c_str());
    SetCurrentDirectoryW(temp);
    RemoveDirectoryW((testFolder + L"\\data").c_str());
    RemoveDirectoryW(testFolder.c_str());
    return result;
}
