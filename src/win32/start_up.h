// The Windows start-up steps of the game's sequence (working folder, window and Direct3D, the
// first frame, the device's release; the single-instance guard has a file of its own) and the
// process-wide objects' exit-time teardown.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace kokurin {

// Exit codes besides 0 (normal run, or another instance already running).
constexpr int exitNoWindowClass = -1;
constexpr int exitNoD3dx = 2;
constexpr int exitNoDirect3D = 3;
constexpr int exitNoDevice = 4;

// Runs the whole application with firstScreen as its first screen (the title screen in the
// game) and returns the process exit code; online is what the command line asked of online play.
int runApplication(HINSTANCE instance, int showCommand, ScreenRun firstScreen);
int runApplication(HINSTANCE instance, int showCommand, ScreenRun firstScreen,
                   const OnlineRequest& online);

// The command line's --lang ("ja", "en", or "" for none), for requestedLanguage.
void requestLanguage(const std::string& language);

// The executable's folder, ending in its separator (empty when it cannot be had).
std::wstring executableFolder();

} // namespace kokurin
