// Acts on the shell's windows from another process, for the shell tests: finds a message box
// and reads and closes it, closes the main window, waits for it to go, and reads an
// executable's manifest resource. Exits 0 on success, 1 when what it waited for never came.
//
//   kokurin_win32_probe box TIMEOUT-MS OUT-FILE    caption and text of a message box, then OK
//   kokurin_win32_probe close TIMEOUT-MS           WM_CLOSE to the game's window
//   kokurin_win32_probe gone TIMEOUT-MS            waits until no game window exists
//   kokurin_win32_probe manifest EXE OUT-FILE      the manifest resource and how many there are
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win32/main_window.h"
#include "win32/wide_text.h"

using namespace kokurin;

namespace {

bool writeFile(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return written == text.size();
}

// Polls check every 50 ms until it is true or the time is up.
template <typename Check> bool waitUntil(DWORD timeoutMs, Check check) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (check()) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(50);
    }
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && className(window) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectStatic(HWND window, LPARAM texts) {
    if (className(window) == L"Static") {
        const std::wstring text = windowText(window);
        if (!text.empty()) {
            reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
        }
    }
    return TRUE;
}

// The face message boxes ask for (the system's message font) and the face GDI draws it with
// in this prefix, where font replacements and substitutes have been applied.
std::string messageFontReport() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return "font=\nface=\n";
    }
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    wchar_t drawn[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, drawn);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return "font=" + toUtf8(metrics.lfMessageFont.lfFaceName) + "\nface=" + toUtf8(drawn) + "\n";
}

int probeBox(DWORD timeoutMs, const std::wstring& outFile) {
    HWND dialog = nullptr;
    if (!waitUntil(timeoutMs, [&] {
            EnumWindows(findDialog, reinterpret_cast<LPARAM>(&dialog));
            return dialog != nullptr;
        })) {
        return 1;
    }
    // Let the box finish laying out its text.
    Sleep(300);
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&texts));
    std::string report = "caption=" + toUtf8(windowText(dialog).c_str()) + "\n";
    report += messageFontReport();
    for (const std::wstring& text : texts) {
        // One line per text: line breaks inside it are written as the two characters \n.
        std::string line = toUtf8(text.c_str());
        std::string escaped;
        for (char c : line) {
            if (c == '\n') {
                escaped += "\\n";
            } else if (c != '\r') {
                escaped += c;
            }
        }
        report += "text=" + escaped + "\n";
    }
    writeFile(outFile, report);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return waitUntil(timeoutMs, [&] { return !IsWindow(dialog); }) ? 0 : 1;
}

int probeClose(DWORD timeoutMs) {
    HWND window = nullptr;
    if (!waitUntil(timeoutMs, [&] { return (window = findRunningInstance()) != nullptr; })) {
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

int probeGone(DWORD timeoutMs) {
    return waitUntil(timeoutMs, [] { return findRunningInstance() == nullptr; }) ? 0 : 1;
}

BOOL CALLBACK countResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int probeManifest(const std::wstring& exe, const std::wstring& outFile) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return 1;
    }
    int manifests = 0;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(24), countResource,
                       reinterpret_cast<LONG_PTR>(&manifests));
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (resource == nullptr) {
        FreeLibrary(module);
        return 1;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource);
    std::string report = "count=" + std::to_string(manifests) + "\n";
    report.append(bytes, size);
    FreeLibrary(module);
    return writeFile(outFile, report) ? 0 : 1;
}

} // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3) {
        std::fprintf(stderr, "usage: kokurin_win32_probe box|close|gone|manifest ...\n");
        return 64;
    }
    const std::wstring command = arguments[1];
    std::vector<std::wstring> rest(arguments + 2, arguments + count);
    LocalFree(arguments);
    if (command == L"box" && rest.size() == 2) {
        return probeBox(std::stoul(rest[0]), rest[1]);
    }
    if (command == L"close") {
        return probeClose(std::stoul(rest[0]));
    }
    if (command == L"gone") {
        return probeGone(std::stoul(rest[0]));
    }
    if (command == L"manifest" && rest.size() == 2) {
        return probeManifest(rest[0], rest[1]);
    }
    std::fprintf(stderr, "unknown probe command\n");
    return 64;
}
