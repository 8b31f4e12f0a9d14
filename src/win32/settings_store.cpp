// Where the Windows game keeps its settings: %APPDATA%\kokurin\settings.ini (KOKURIN_CONFIG_DIR,
// when set, is the folder instead: the tests give each game its own). The Direct3D window has
// one size and no fullscreen, so the window settings are only the SDL game's.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "settings/settings_file.h"
#include "win32/wide_text.h"

namespace kokurin {

namespace {

std::string settingsFolder() {
    const wchar_t* forced = _wgetenv(L"KOKURIN_CONFIG_DIR");
    if (forced != nullptr && *forced != L'\0') {
        return toUtf8(forced) + "\\";
    }
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || *appData == L'\0') {
        return "";
    }
    return toUtf8(appData) + "\\kokurin\\";
}

} // namespace

std::string settingsLocation() {
    const std::string folder = settingsFolder();
    return folder.empty() ? "" : folder + "settings.ini";
}

StoredText readSettingsText(std::string& text) {
    const std::string path = settingsLocation();
    if (path.empty()) {
        return StoredText::Unreadable;
    }
    return readSettingsFile(path, text);
}

bool writeSettingsText(const std::string& text) {
    const std::string path = settingsLocation();
    return !path.empty() && replaceSettingsFile(path, text);
}

void setWindowPreferences(bool, int) {}

} // namespace kokurin
