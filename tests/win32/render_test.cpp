// The Direct3D front end on a real device: every frame is drawn, then the back buffer is read
// back (GetRenderTargetData into system memory) and its pixels checked against the expectations
// every front end shares, and the device's own states. Runs under Wine in Xvfb.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gfx/text_format.h"
#include "platform/platform.h"
#include "support/render_expectations.h"
#include "win32/d3dx_library.h"
#include "win32/graphics_device.h"
#include "win32/main_window.h"
#include "win32/renderer_2d.h"
#include "win32/scene_camera.h"
#include "win32/wide_text.h"

using namespace kokurin;
using namespace render_expectations;

namespace {

std::wstring testFolder;

bool writeFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    return ok && written == bytes.size();
}

} // namespace

bool render_expectations::frontEndReady() {
    return direct3DDevice != nullptr;
}

int render_expectations::filledFontSlots() {
    int filled = 0;
    for (int index = 0; index < fontCacheSlots; ++index) {
        filled += renderer2D.fontCache().slot(index).height != 0 ? 1 : 0;
    }
    return filled;
}

// Draws one frame with draw, reads the back buffer after EndScene, then presents it.
Frame render_expectations::render(const std::function<void()>& draw) {
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
    const auto pictures = testPictures();
    bool written = true;
    for (const auto& file : pictures) {
        written = writeFile(data + toWide(file.first.c_str()), file.second) && written;
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
    for (const auto& file : pictures) {
        DeleteFileW((data + toWide(file.first.c_str())).c_str());
    }
    SetCurrentDirectoryW(temp);
    RemoveDirectoryW((testFolder + L"\\data").c_str());
    RemoveDirectoryW(testFolder.c_str());
    return result;
}
