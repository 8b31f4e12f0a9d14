// A test build of the shell, not part of the game: the real start-up and shutdown with a test
// frame loop in place of the title screen. The loop draws a little every frame and reports, to
// the file named by its first argument, the window's geometry, the frame rate, the working
// folder, the picture it loaded from data/, the keys it saw, the screen's boxes the mouse picked
// and how it ended.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "gfx/text_format.h"
#include "platform/platform.h"
#include "win32/main_window.h"
#include "win32/start_up.h"
#include "win32/wide_text.h"
#include "platform/platform.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "win32/sound_system.h"

using namespace kokurin;

namespace {

// The frames counted for the rate: after the first half second, over three seconds.
constexpr int settleFrames = 30;
constexpr int measuredFrames = 180;
// A loop that nobody ends stops by itself, reporting so.
constexpr double giveUpSeconds = 60.0;

std::wstring resultPath;
std::string report;
std::string keys;
std::string picks;
// The screen as 16 x 12 boxes of 40 pixels: a click's box says where the game saw it.
constexpr PickGrid screenBoxes{0, 0, 40, 40, 16, 12};

double seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void writeFile(const std::wstring& path, const std::string& text) {
    // Written whole under a temporary name, then renamed, so a reader never sees half of it.
    const std::wstring partial = path + L".partial";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void addLine(const char* key, const std::string& value) {
    report += key;
    report += '=';
    report += value;
    report += '\n';
}

std::string format(const char* pattern, double a, double b = 0, double c = 0, double d = 0) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c, d);
    return buffer;
}

void describeWindow() {
    RECT window;
    RECT client;
    GetWindowRect(mainWindow, &window);
    GetClientRect(mainWindow, &client);
    POINT origin = {0, 0};
    ClientToScreen(mainWindow, &origin);
    addLine("window",
            format("%.0f,%.0f,%.0f,%.0f", window.left, window.top, window.right, window.bottom));
    addLine("client", format("%.0fx%.0f", client.right - client.left, client.bottom - client.top));
    addLine("clientOrigin", format("%.0f,%.0f", origin.x, origin.y));
    const LONG style = GetWindowLongW(mainWindow, GWL_STYLE);
    const bool resizable = (style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) != 0;
    addLine("resizable", resizable ? "yes" : "no");
    addLine("sound", soundDeviceReady() ? "ready" : "none");
    wchar_t folder[4096] = {};
    GetCurrentDirectoryW(4096, folder);
    addLine("cwd", toUtf8(folder));
    addLine("exeFolder", toUtf8(executableFolder().c_str()));
}

void drawTestFrame(int frame) {
    const ColourVertex strip[4] = {{200.0f, 10.0f, 0.0f, 1.0f, 0xFF3060FF},
                                   {200.0f, 40.0f, 0.0f, 1.0f, 0xFF3060FF},
                                   {10.0f, 10.0f, 0.0f, 1.0f, 0xFF3060FF},
                                   {10.0f, 40.0f, 0.0f, 1.0f, 0xFF3060FF}};
    drawColourPrimitive(PrimitiveKind::TriangleStrip, 2, strip);
    drawTextFormat(10, 60, 0xFFFFFFFF, 18, gameFace, 0, "試験フレーム %d", frame);
    drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f);
}

bool finish(const char* how, bool quit) {
    addLine("keys", keys);
    addLine("picks", picks);
    addLine("ended", how);
    writeFile(resultPath, report);
    return quit;
}

// The test loop, run as the first screen.
bool testLoop(PlaySession&) {
    const HRESULT picture = static_cast<HRESULT>(loadBackground("data/portrait.bmp"));
    report.clear();
    addLine("picture", format("%.0f", picture == S_OK ? 0.0 : 1.0));
    describeWindow();
    const double start = seconds();
    double measureStart = 0.0;
    for (int frame = 1;; ++frame) {
        drawTestFrame(frame);
        offerPicks(screenBoxes);
        if (pumpFrame()) {
            return finish("quit", true);
        }
        if (framePick() >= 0) {
            picks += std::to_string(framePick()) + '@' + std::to_string(frame) + ' ';
            writeFile(resultPath + L".picks", picks + '\n');
        }
        if (keyState[keyW] == 1) {
            keys += "w@" + std::to_string(frame) + ' ';
        }
        if (keyState[keyEscape] == 1) {
            keys += "escape@" + std::to_string(frame) + ' ';
            return finish("escape", false);
        }
        if (frame == settleFrames) {
            measureStart = seconds();
        }
        if (frame == settleFrames + measuredFrames) {
            const double rate = measuredFrames / (seconds() - measureStart);
            std::string ready = report;
            ready += "fps=" + format("%.2f", rate) + '\n';
            report = ready;
            writeFile(resultPath + L".ready", report);
        }
        if (seconds() - start > giveUpSeconds) {
            return finish("limit", false);
        }
    }
}

} // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        std::fprintf(stderr, "usage: kokurin_shell_test RESULT-FILE\n");
        return 64;
    }
    resultPath = arguments[1];
    LocalFree(arguments);
    // The shell's checks look for the Japanese window title and boxes, whatever language Wine
    // gives the user: asked for as --lang ja asks for it.
    requestLanguage("ja");
    return runApplication(GetModuleHandleW(nullptr), SW_SHOWNORMAL, testLoop);
}
