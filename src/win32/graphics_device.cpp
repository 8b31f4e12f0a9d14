// Device creation, fixed states and the frame bracket of the Direct3D 9 device.
#include "win32/graphics_device.h"

#include "win32/renderer_2d.h"
#include "win32/scene_camera.h"

namespace kokurin {

IDirect3D9* direct3D = nullptr;
IDirect3DDevice9* direct3DDevice = nullptr;
GraphicsDevice graphicsDevice;

D3DPRESENT_PARAMETERS presentParameters() {
    D3DPRESENT_PARAMETERS parameters;
    ZeroMemory(&parameters, sizeof parameters);
    parameters.BackBufferWidth = 640;
    parameters.BackBufferHeight = 480;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.MultiSampleQuality = 0;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = nullptr;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return parameters;
}

HRESULT createDevice(HWND window) {
    if (direct3D == nullptr) {
        return E_FAIL;
    }
    struct Attempt {
        D3DDEVTYPE type;
        DWORD behaviour;
    };
    const Attempt attempts[] = {
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_REF, D3DCREATE_HARDWARE_VERTEXPROCESSING},
    };
    for (const Attempt& attempt : attempts) {
        // A failed call may have rewritten the parameters; every attempt starts from the same.
        D3DPRESENT_PARAMETERS parameters = presentParameters();
        if (SUCCEEDED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, window,
                                             attempt.behaviour, &parameters, &direct3DDevice))) {
            return 0;
        }
    }
    direct3DDevice = nullptr;
    return E_FAIL;
}

void GraphicsDevice::init(IDirect3DDevice9* device) {
    device_ = device;
    if (device_ == nullptr) {
        return;
    }
    // Every primitive of the game is wound clockwise on screen, and nothing is lit.
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
}

void GraphicsDevice::beginFrame() {
    if (device_ == nullptr) {
        return;
    }
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

HRESULT GraphicsDevice::endFrame() {
    if (device_ == nullptr) {
        return D3D_OK;
    }
    device_->EndScene();
    return device_->Present(nullptr, nullptr, nullptr, nullptr);
}

void GraphicsDevice::endSceneUnshown() {
    if (device_ != nullptr) {
        device_->EndScene();
    }
}

bool deviceLost() {
    if (direct3DDevice == nullptr) {
        return false;
    }
    const HRESULT state = direct3DDevice->TestCooperativeLevel();
    return state == D3DERR_DEVICELOST || state == D3DERR_DEVICENOTRESET;
}

bool resetDevice() {
    if (direct3DDevice == nullptr) {
        return false;
    }
    if (direct3DDevice->TestCooperativeLevel() == D3DERR_DEVICELOST) {
        return false;
    }
    renderer2D.onLostDevice();
    D3DPRESENT_PARAMETERS parameters = presentParameters();
    if (FAILED(direct3DDevice->Reset(&parameters))) {
        return false;
    }
    renderer2D.onResetDevice();
    graphicsDevice.init(direct3DDevice);
    sceneCamera.init(direct3DDevice);
    renderer2D.applyTextureStates();
    return true;
}

} // namespace kokurin
