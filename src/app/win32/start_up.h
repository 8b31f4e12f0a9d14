// The process start-up and shutdown around the first screen: single-instance guard, working
// directory, window, Direct3D device, graphics, input, sound, random seed; then the release of
// the device, and the exit-time teardown of the process-wide objects.
#pragma once

#include <windows.h>

#include <string>

// The first screen: true when the application must quit.
using ScreenRun = bool (*)();

// Exit codes besides 0 (normal run, or another instance already running).
constexpr int exitNoWindowClass = -1;
constexpr int exitNoD3dx = 2;
constexpr int exitNoDirect3D = 3;
constexpr int exitNoDevice = 4;

// Runs the whole application with firstScreen as its first screen (the title screen in the
// game) and returns the process exit code.
int runApplication(HINSTANCE instance, int showCommand, ScreenRun firstScreen);

// The executable's folder, ending in its separator (empty when it cannot be had).
std::wstring executableFolder();
