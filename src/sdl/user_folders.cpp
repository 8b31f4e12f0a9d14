// Where the SDL game keeps a user's files: on Linux and the other freedesktop systems
// $XDG_CONFIG_HOME/kokurin (~/.config when it is unset) for the settings and
// $XDG_DATA_HOME/kokurin/replays (~/.local/share) for the replays; SDL's per-user folder elsewhere
// (%APPDATA%\kokurin on Windows, ~/Library/Application Support/kokurin on macOS).
// KOKURIN_CONFIG_DIR, when set, is the settings' folder instead (the tests give each game its
// own). Also how a replay watched from the command line ended.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop_files/user_folders.h"
#include "platform/platform.h"
#include "sdl/replay_command.h"

namespace kokurin {

namespace {

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
        folder += '/';
    }
    return folder;
}

// SDL's per-user folder, with a separator at the end; empty when there is none.
std::string prefFolder() {
    char* pref = SDL_GetPrefPath("", "kokurin");
    if (pref == nullptr) {
        return "";
    }
    std::string folder = withSlash(pref);
    SDL_free(pref);
    return folder;
}

// $VARIABLE/below when VARIABLE is an absolute path, else $HOME/fallback/below (freedesktop
// systems only); empty when neither is there.
std::string freedesktopFolder(const char* variable, const char* fallback, const char* below) {
#if !defined(_WIN32) && !defined(__APPLE__)
    const char* set = std::getenv(variable);
    if (set != nullptr && *set == '/') {
        return withSlash(set) + below;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return withSlash(home) + fallback + below;
    }
#else
    (void)variable;
    (void)fallback;
    (void)below;
#endif
    return "";
}

} // namespace

std::string desktopSettingsFolder() {
    const char* forced = std::getenv("KOKURIN_CONFIG_DIR");
    if (forced != nullptr && *forced != '\0') {
        return withSlash(forced);
    }
    const std::string folder = freedesktopFolder("XDG_CONFIG_HOME", ".config/", "kokurin/");
    return !folder.empty() ? folder : prefFolder();
}

std::string desktopReplayFolder() {
    const std::string folder =
        freedesktopFolder("XDG_DATA_HOME", ".local/share/", "kokurin/replays");
    if (!folder.empty()) {
        return folder;
    }
    const std::string pref = prefFolder();
    return pref.empty() ? "" : pref + "replays";
}

void replayWatched(bool ok, const char* text) {
    std::fprintf(ok ? stdout : stderr, "kokurin: %s\n", text);
    std::fflush(ok ? stdout : stderr);
    sdl::noteReplayWatched(ok);
}

} // namespace kokurin
