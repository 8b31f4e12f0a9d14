// The SDL steps of the game's start-up and shutdown: the executable's folder, the display, the
// pads, the clock and the first frame. The single-instance lock, the font and the sound device
// have files of their own.
#include "sdl/start_up.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "sdl/display.h"
#include "sdl/drawing.h"
#include "sdl/input.h"
#include "sdl/sound_device.h"
#include "sdl/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kokurin {
namespace sdl {

namespace {

bool changeFolder(const char* folder) {
#ifdef _WIN32
    // The path is UTF-8; the wide call takes any folder name.
    const int length = MultiByteToWideChar(CP_UTF8, 0, folder, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, folder, -1, &wide[0], length);
    return SetCurrentDirectoryW(wide.c_str()) != 0;
#else
    return chdir(folder) == 0;
#endif
}

} // namespace

std::string dataFolderFor(const std::string& executableFolder) {
    namespace fs = std::filesystem;
    const fs::path beside = fs::u8path(executableFolder);
    const fs::path installed = beside / ".." / "share" / "kokurin";
    std::error_code error;
    if (!fs::is_directory(beside / "data", error) && fs::is_directory(installed / "data", error)) {
        return installed.u8string();
    }
    return executableFolder;
}

void shutDown() {
    closePads();
    closeSound();
    SDL_Quit();
}

} // namespace sdl

using namespace sdl;

// Data files are opened by paths relative to the game's folder, wherever it was started from:
// the executable's own when data/ is beside it (the build folder, the Windows zip), else the
// installed share folder found from it (bin/../share/kokurin), so a moved prefix still works.
void enterExecutableFolder() {
    char* base = SDL_GetBasePath();
    if (base == nullptr) {
        std::fprintf(stderr, "kokurin: cannot find the executable's folder (%s)\n", SDL_GetError());
        return;
    }
    const std::string folder = dataFolderFor(base);
    SDL_free(base);
    if (!changeFolder(folder.c_str())) {
        std::fprintf(stderr, "kokurin: cannot change to %s\n", folder.c_str());
    }
}

int openDisplay() {
    return openWindow();
}

void openInput() {
    // Keys come with the video subsystem's events; pads need their own.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "kokurin: no game controllers (%s)\n", SDL_GetError());
    }
}

std::uint32_t clockMilliseconds() {
    return SDL_GetTicks();
}

void beginFirstFrame() {
    beginFrame();
}

void closeDisplay() {
    releaseGlyphs();
    releasePicture();
    closeWindow();
}

} // namespace kokurin
