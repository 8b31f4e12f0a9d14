// Where the SDL game keeps its settings: $XDG_CONFIG_HOME/kokurin/settings.ini on Linux and the
// other freedesktop systems (~/.config when it is unset), SDL's per-user folder elsewhere
// (%APPDATA%\kokurin on Windows, ~/Library/Application Support/kokurin on macOS).
// KOKURIN_CONFIG_DIR, when set, is the folder instead (the tests give each game its own).
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "settings/settings_file.h"
#include "platform/platform.h"

namespace kokurin {

namespace {

const char* const settingsFileName = "settings.ini";

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
        folder += '/';
    }
    return folder;
}

std::string settingsFolder() {
    const char* forced = std::getenv("KOKURIN_CONFIG_DIR");
    if (forced != nullptr && *forced != '\0') {
        return withSlash(forced);
    }
#if !defined(_WIN32) && !defined(__APPLE__)
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') {
        return withSlash(config) + "kokurin/";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return withSlash(home) + ".config/kokurin/";
    }
#endif
    char* pref = SDL_GetPrefPath("", "kokurin");
    if (pref == nullptr) {
        return "";
    }
    std::string folder = pref;
    SDL_free(pref);
    return withSlash(folder);
}

} // namespace

std::string settingsLocation() {
    const std::string folder = settingsFolder();
    return folder.empty() ? "" : folder + settingsFileName;
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

} // namespace kokurin
