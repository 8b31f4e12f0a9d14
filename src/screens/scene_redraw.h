// The scene on screen, drawn again on a front end's request (platform.h's redrawScene): a modal
// box of the front end's own is drawn over it while it waits. The match loop registers its match
// for as long as it runs; elsewhere there is no scene to draw again.
#pragma once

namespace kokurin {

class ScopedSceneRedraw {
  public:
    // draw(what) draws the whole scene; it may be called any number of times.
    ScopedSceneRedraw(void (*draw)(const void* what), const void* what);
    ~ScopedSceneRedraw();
    ScopedSceneRedraw(const ScopedSceneRedraw&) = delete;
    ScopedSceneRedraw& operator=(const ScopedSceneRedraw&) = delete;

  private:
    void (*previousDraw_)(const void*);
    const void* previousWhat_;
};

} // namespace kokurin
