// The SDL window and renderer: the game draws in 640 x 480 coordinates, which the renderer scales
// to the window by the largest whole number that fits, centred between black bars.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>

namespace kokurin {
namespace sdl {

// Exit codes of openDisplay besides 0.
constexpr int exitNoVideo = 2;
constexpr int exitNoWindow = 3;
constexpr int exitNoRenderer = 4;

// Opens the video subsystem, the window (2x where the display has room) and the renderer; 0, or
// the exit code after telling the player on stderr and, where one can be shown, in a box.
int openWindow();
// Destroys the frame texture, the renderer and the window.
void closeWindow();

// Null before openWindow and after closeWindow.
SDL_Window* window();
SDL_Renderer* renderer();

// Clears the window to opaque black for the next frame.
void beginFrame();
// Shows the frame drawn since beginFrame.
void presentFrame();
// The frame drawn so far as 640 x 480 pixels of 0xAARRGGBB, rows top to bottom (one pixel of
// each square the window shows a game pixel as); false when it cannot be read.
bool readFrame(std::uint32_t* pixels);
// Between the window and desktop fullscreen (F11, Alt+Enter).
void toggleFullscreen();

// Called with the finished frame right before it is presented (tests, screenshots).
void setPresentHook(std::function<void()> hook);
void runPresentHook();

} // namespace sdl
} // namespace kokurin
