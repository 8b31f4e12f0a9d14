// The fixed scene set-up given to the device once at start-up: two white directional lights,
// grey ambient light, the full-screen viewport, a 90-degree perspective and a fixed view.
#pragma once

#include <d3d9.h>

namespace kokurin {

class SceneCamera {
  public:
    // Keeps a copy of the device pointer and sets lights, viewport and transforms.
    void init(IDirect3DDevice9* device);

  private:
    IDirect3DDevice9* device_ = nullptr;
};

extern SceneCamera sceneCamera;

} // namespace kokurin
