// Where the Windows game keeps a user's files: %APPDATA%\kokurin for the settings (KOKURIN_CONFIG_DIR,
// when set, instead: the tests give each game its own) and %APPDATA%\kokurin\replays for the
// replays. The Direct3D window has one size and no fullscreen, so the window settings are only
// the SDL game's.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "desktop_files/user_folders.h"
#include "platform/platform.h"
#include "win32/wide_text.h"

namespace kokurin {

namespace {

std::string appDataFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || *appData == L'\0') {
        return "";
    }
    return toUtf8(appData) + "\\kokurin\\";
}

} // namespace

std::string desktopSettingsFolder() {
    const wchar_t* forced = _wgetenv(L"KOKURIN_CONFIG_DIR");
    if (forced != nullptr && *forced != L'\0') {
        return toUtf8(forced) + "\\";
    }
    return appDataFolder();
}

std::string desktopReplayFolder() {
    const std::string folder = appDataFolder();
    return folder.empty() ? "" : folder + "replays";
}

// The box has said it when it went wrong; nothing else shows the outcome on Windows.
void replayWatched(bool, const char*) {}

void setWindowPreferences(bool, int) {}

} // namespace kokurin
