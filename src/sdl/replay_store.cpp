// Where the SDL game keeps its replays: $XDG_DATA_HOME/kokurin/replays on Linux and the other
// freedesktop systems (~/.local/share when it is unset), SDL's per-user folder elsewhere.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "replay/replay_folder.h"
#include "sdl/replay_command.h"

namespace kokurin {

namespace {

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
        folder += '/';
    }
    return folder;
}

const std::string& replayFolder() {
    static const std::string folder = [] {
#if !defined(_WIN32) && !defined(__APPLE__)
        const char* data = std::getenv("XDG_DATA_HOME");
        if (data != nullptr && *data == '/') {
            return withSlash(data) + "kokurin/replays";
        }
        const char* home = std::getenv("HOME");
        if (home != nullptr && *home != '\0') {
            return withSlash(home) + ".local/share/kokurin/replays";
        }
#endif
        char* pref = SDL_GetPrefPath("", "kokurin");
        if (pref == nullptr) {
            return std::string();
        }
        std::string made = withSlash(pref) + "replays";
        SDL_free(pref);
        return made;
    }();
    return folder;
}

} // namespace

bool writeReplayData(const std::string& name, const std::string& bytes) {
    return writeReplayFile(replayFolder(), name, bytes);
}

bool readReplayData(const std::string& name, std::size_t maxBytes, std::string& bytes) {
    return readReplayFile(replayFolder(), name, maxBytes, bytes);
}

void listReplayData(std::vector<std::string>& names) {
    listReplayFiles(replayFolder(), names);
}

void removeReplayData(const std::string& name) {
    removeReplayFile(replayFolder(), name);
}

std::string replayLocation() {
    return replayFolder();
}

void replayWatched(bool ok, const char* text) {
    std::fprintf(ok ? stdout : stderr, "kokurin: %s\n", text);
    std::fflush(ok ? stdout : stderr);
    sdl::noteReplayWatched(ok);
}

} // namespace kokurin
