// The Windows steps of the game's start-up and shutdown, and the process-wide objects' lifetime.
#include "win32/start_up.h"

#include "screens/game_texts.h"
#include "screens/online_request.h"

#include <mmsystem.h>

#include <string>

#include "win32/d3dx_library.h"
#include "win32/graphics_device.h"
#include "win32/keyboard_input.h"
#include "win32/main_window.h"
#include "win32/renderer_2d.h"
#include "win32/scene_camera.h"
#include "win32/sound_system.h"

namespace kokurin {

namespace {

// Why the game cannot start, in Japanese and in English (gameLanguage's order).
const char* const noD3dxText[] = {
    "d3dx9_43.dll が見つからないため起動できません。\n"
    "Microsoft の「DirectX エンド ユーザー ランタイム」（DirectX End-User Runtime）を"
    "インストールしてから、もう一度起動してください。",
    "The game cannot start: d3dx9_43.dll is missing.\n"
    "Install Microsoft's DirectX End-User Runtime, then start the game again.",
};
const char* const noDirect3DText[] = {
    "Direct3D 9 を使えないため起動できません。\n"
    "グラフィックス ドライバーと、Microsoft の「DirectX エンド ユーザー ランタイム」"
    "（DirectX End-User Runtime）をインストールしてから、もう一度起動してください。",
    "The game cannot start: Direct3D 9 cannot be used.\n"
    "Install the graphics driver and Microsoft's DirectX End-User Runtime, then start the game "
    "again.",
};
const char* const noDeviceText[] = {
    "Direct3D 9 のデバイスを作成できないため起動できません。\n"
    "グラフィックス ドライバーを更新し、Microsoft の「DirectX エンド ユーザー ランタイム」"
    "（DirectX End-User Runtime）をインストールしてから、もう一度起動してください。",
    "The game cannot start: no Direct3D 9 device can be made.\n"
    "Update the graphics driver and install Microsoft's DirectX End-User Runtime, then start the "
    "game again.",
};

const char* inLanguage(const char* const texts[]) {
    return texts[static_cast<int>(gameLanguage())];
}

// The process-wide objects of the front end are plain statics, zeroed before any code runs.
// What they need beyond that happens here, in one place, so that the exit-time teardown runs in
// the reverse order of their construction: sound, then input, then the renderer.
struct RendererLifetime {
    ~RendererLifetime() { renderer2D.shutdown(); }
};
struct InputLifetime {
    ~InputLifetime() { releaseInput(); }
};
// The schedule's clock is the game's to start (runGame resets it once, after the sound opens).
struct SoundLifetime {
    ~SoundLifetime() { releaseSound(); }
};
struct FrontEndLifetime {
    RendererLifetime renderer;
    InputLifetime input;
    SoundLifetime sound;
};
FrontEndLifetime frontEndLifetime;

// What WinMain was given, for the window.
HINSTANCE applicationInstance = nullptr;
int applicationShowCommand = SW_SHOWNORMAL;

// Without Direct3D nothing can be shown: say what is missing, hide the black window first.
int refuseToStart(const char* text, int exitCode) {
    ShowWindow(mainWindow, SW_HIDE);
    showMessageBox(text);
    DestroyWindow(mainWindow);
    mainWindow = nullptr;
    if (direct3D != nullptr) {
        direct3D->Release();
        direct3D = nullptr;
    }
    return exitCode;
}

} // namespace

std::wstring executableFolder() {
    // No fixed limit: the buffer grows until the whole path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            return std::wstring();
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return std::wstring();
    }
    return path.substr(0, separator + 1);
}

int runApplication(HINSTANCE instance, int showCommand, ScreenRun firstScreen) {
    return runApplication(instance, showCommand, firstScreen, OnlineRequest{});
}

int runApplication(HINSTANCE instance, int showCommand, ScreenRun firstScreen,
                   const OnlineRequest& online) {
    applicationInstance = instance;
    applicationShowCommand = showCommand;
    return runGame(firstScreen, online);
}

// Data files are opened by paths relative to the executable's folder, wherever it was started
// from.
void enterExecutableFolder() {
    const std::wstring folder = executableFolder();
    if (!folder.empty()) {
        SetCurrentDirectoryW(folder.c_str());
    }
}

int openDisplay() {
    if (registerWindowClass(applicationInstance)) {
        return exitNoWindowClass;
    }
    mainWindow = createMainWindow(applicationInstance);
    if (mainWindow == nullptr) {
        return exitNoWindowClass;
    }
    ShowWindow(mainWindow, applicationShowCommand);
    UpdateWindow(mainWindow);

    if (!loadD3dx()) {
        return refuseToStart(inLanguage(noD3dxText), exitNoD3dx);
    }
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        return refuseToStart(inLanguage(noDirect3DText), exitNoDirect3D);
    }
    if (FAILED(createDevice(mainWindow))) {
        return refuseToStart(inLanguage(noDeviceText), exitNoDevice);
    }
    graphicsDevice.init(direct3DDevice);
    sceneCamera.init(direct3DDevice);
    renderer2D.init(direct3DDevice);
    return 0;
}

void openInput() {
    initInput(mainWindow);
}

bool openSound() {
    return initSound(mainWindow) == 0;
}

std::uint32_t clockMilliseconds() {
    return timeGetTime();
}

void beginFirstFrame() {
    graphicsDevice.beginFrame();
}

void closeDisplay() {
    direct3DDevice->Release();
    direct3DDevice = nullptr;
    direct3D->Release();
    direct3D = nullptr;
}

} // namespace kokurin
