// The main window and its procedure. All drawing is Direct3D's; the procedure keeps the timer
// resolution for the window's life, notes the mouse's presses for the next poll and turns its
// destruction into the quit message.
#include "win32/main_window.h"

#include <mmsystem.h>

#include <string>

#include "screens/game_texts.h"
#include "win32/pointer_input.h"
#include "win32/wide_text.h"

namespace kokurin {

const char* const mainWindowClass = "tovira_p";
HWND mainWindow = nullptr;

namespace {

constexpr int clientWidth = 640;
constexpr int clientHeight = 480;
constexpr int windowLeft = 320;
constexpr int windowTop = 80;
// A fixed border with caption, system menu and minimise box: no maximising, no resizing.
constexpr DWORD windowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(windowStyle == 0xCA0000, "window style");

} // namespace

bool registerWindowClass(HINSTANCE instance) {
    const std::wstring className = toWide(mainWindowClass);
    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    // The executable carries no icon of this name: the system's default icon shows.
    windowClass.hIcon = LoadIconW(instance, L"IDI_ICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className.c_str();
    return RegisterClassW(&windowClass) == 0;
}

HWND createMainWindow(HINSTANCE instance) {
    const std::wstring className = toWide(mainWindowClass);
    // The title is the game's name in its language; the class alone tells the game's window.
    const std::wstring title = toWide(gameTexts().windowTitle);
    HWND window = CreateWindowExW(WS_EX_ACCEPTFILES, className.c_str(), title.c_str(), windowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, clientWidth, clientHeight, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    RECT windowRect;
    RECT clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    // Grow the window by its frame so that the client area is exactly 640 x 480, whatever the
    // system's border and caption sizes.
    const int frameWidth =
        (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left);
    const int frameHeight =
        (windowRect.bottom - windowRect.top) - (clientRect.bottom - clientRect.top);
    SetWindowPos(window, nullptr, windowLeft, windowTop, clientWidth + frameWidth,
                 clientHeight + frameHeight, 0);
    ValidateRect(window, nullptr);
    return window;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // 1 ms sleeps for as long as the window exists.
        timeBeginPeriod(1);
        return 0;
    case WM_DESTROY:
        timeEndPeriod(1);
        PostQuitMessage(0);
        return 0;
    case WM_LBUTTONDOWN:
        notePointerPress(window, lParam);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND findRunningInstance() {
    return FindWindowW(toWide(mainWindowClass).c_str(), nullptr);
}

} // namespace kokurin
