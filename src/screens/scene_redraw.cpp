// The one registered scene and redrawScene, the front ends' way to it.
#include "screens/scene_redraw.h"

#include "platform/platform.h"

namespace kokurin {

namespace {

void (*sceneDraw)(const void*) = nullptr;
const void* sceneWhat = nullptr;

} // namespace

ScopedSceneRedraw::ScopedSceneRedraw(void (*draw)(const void*), const void* what)
    : previousDraw_(sceneDraw), previousWhat_(sceneWhat) {
    sceneDraw = draw;
    sceneWhat = what;
}

ScopedSceneRedraw::~ScopedSceneRedraw() {
    sceneDraw = previousDraw_;
    sceneWhat = previousWhat_;
}

bool redrawScene() {
    if (sceneDraw == nullptr) {
        return false;
    }
    sceneDraw(sceneWhat);
    return true;
}

} // namespace kokurin
