// The scene camera: lights, viewport, projection and view, set once. Screen-space drawing never
// uses them, but the device carries them as the game's 3D set-up (kept: idle-camera).
#include "win32/scene_camera.h"

#include "win32/d3dx_library.h"

namespace kokurin {

SceneCamera sceneCamera;

namespace {

D3DLIGHT9 whiteDirectionalLight(float y, float z) {
    D3DLIGHT9 light;
    ZeroMemory(&light, sizeof light);
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {2.0f, 2.0f, 2.0f, 0.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    const D3DXVECTOR3 direction(0.0f, y, z);
    d3dx().vec3Normalize(reinterpret_cast<D3DXVECTOR3*>(&light.Direction), &direction);
    return light;
}

} // namespace

void SceneCamera::init(IDirect3DDevice9* device) {
    device_ = device;
    if (device_ == nullptr || d3dx().vec3Normalize == nullptr) {
        return;
    }
    const D3DLIGHT9 front = whiteDirectionalLight(-1.0f, 1.0f);
    device_->SetLight(0, &front);
    device_->LightEnable(0, TRUE);
    const D3DLIGHT9 back = whiteDirectionalLight(-1.0f, -1.0f);
    device_->SetLight(1, &back);
    device_->LightEnable(1, TRUE);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFF888888);

    D3DVIEWPORT9 viewport = {0, 0, 640, 480, 0.0f, 1.0f};
    device_->SetViewport(&viewport);

    D3DXMATRIX projection;
    d3dx().matrixPerspectiveFovLH(&projection, 1.5707964f, 0.6666667f, 0.1f, 100.0f);
    device_->SetTransform(D3DTS_PROJECTION, &projection);

    const D3DXVECTOR3 eye(0.0f, 1.0f, -2.0f);
    const D3DXVECTOR3 target(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    d3dx().matrixLookAtLH(&view, &eye, &target, &up);
    device_->SetTransform(D3DTS_VIEW, &view);
}

} // namespace kokurin
