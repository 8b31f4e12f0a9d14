// The one Direct3D 9 device: its creation with fallbacks, its fixed render states, the frame
// bracket (clear and begin, end and present) and the recovery of a lost device.
#pragma once

#include <d3d9.h>

namespace kokurin {

// Created and released by the entry routine.
extern IDirect3D9* direct3D;
// Written by createDevice; released by the entry routine at the end of the run.
extern IDirect3DDevice9* direct3DDevice;

// The presentation parameters of the device: a 640 x 480 windowed back buffer in the desktop's
// format, swapped by discarding, a 16-bit depth buffer, one retrace per presentation.
D3DPRESENT_PARAMETERS presentParameters();

// Creates the device for the window on the default adapter: hardware vertex processing, then
// software, then the reference rasteriser. 0 on success, E_FAIL when every attempt failed.
HRESULT createDevice(HWND window);

class GraphicsDevice {
  public:
    // Keeps a copy of the device pointer (no reference) and sets the fixed render states.
    void init(IDirect3DDevice9* device);
    // Clears to opaque black with depth 1.0, begins the scene, turns on alpha blending.
    void beginFrame();
    // Ends the scene and presents the whole back buffer; returns Present's result.
    HRESULT endFrame();
    // Ends the scene without presenting it (a frame nobody sees).
    void endSceneUnshown();
    IDirect3DDevice9* device() const { return device_; }

  private:
    IDirect3DDevice9* device_ = nullptr;
};

extern GraphicsDevice graphicsDevice;

// Whether a device whose Present failed is lost: D3DERR_DEVICELOST (wait) or
// D3DERR_DEVICENOTRESET (reset now).
bool deviceLost();
// Puts a lost device back: the fonts let go of their video memory, the device is reset with
// the parameters it was made with, the fonts take it back, and the render states, texture
// states and camera of start-up are applied again. The managed texture survives by itself.
// True when the device works again.
bool resetDevice();

} // namespace kokurin
