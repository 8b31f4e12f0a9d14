// The game's entry point: the command line (usage, version and refusals answered before any
// window opens), then the whole game in the portable start-up sequence.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "desktop_online/ca_file_argument.h"
#include "win32/start_up.h"
#include "win32/wide_text.h"

namespace {

bool writeAll(HANDLE handle, const std::string& text) {
    DWORD mode = 0;
    if (GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 whatever its code page.
        const std::wstring wide = kokurin::toWide(text.c_str());
        DWORD written = 0;
        return WriteConsoleW(handle, wide.c_str(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != 0;
    }
    // A pipe or a file gets UTF-8, as kokurin-sim writes.
    DWORD written = 0;
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) !=
               0 &&
           written == text.size();
}

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The game has no console of its own: what it answers goes to the output it was given (a pipe, a
// file), else to the console of the command prompt it was typed into, else into a box.
void tell(const kokurin::CommandLineAnswer& answer) {
    const DWORD which = answer.refusal ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE given = GetStdHandle(which);
    if (usable(given) && writeAll(given, answer.text)) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        const bool written = console != INVALID_HANDLE_VALUE && writeAll(console, answer.text);
        if (console != INVALID_HANDLE_VALUE) {
            CloseHandle(console);
        }
        FreeConsole();
        if (written) {
            return;
        }
    }
    const std::wstring text = kokurin::toWide(answer.text.c_str());
    MessageBoxW(nullptr, text.c_str(), L"kokurin",
                MB_OK | (answer.refusal ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The arguments as UTF-8, as every front end reads them.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide != nullptr && i < count; ++i) {
        arguments.push_back(kokurin::toUtf8(wide[i]));
    }
    LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    kokurin::GameArguments read;
    const kokurin::CommandLineAnswer answer =
        kokurin::readCommandLine(static_cast<int>(argv.size()), argv.data(), false, read);
    if (answer.exitStatus >= 0) {
        tell(answer);
        return answer.exitStatus;
    }
    std::string error;
    if (!read.caFile.empty() && !kokurin::trustCaFile(read.caFile, error)) {
        kokurin::CommandLineAnswer refused;
        refused.exitStatus = 2;
        refused.refusal = true;
        refused.text = "kokurin: " + error + "\n";
        tell(refused);
        return 2;
    }
    kokurin::requestLanguage(read.language);
    return kokurin::runApplication(instance, showCommand, nullptr, read.online);
}
