// The game's entry point: the command line's online request, then the whole game in the
// portable start-up sequence.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "desktop_online/ca_file_argument.h"
#include "screens/online_request.h"
#include "win32/start_up.h"
#include "win32/wide_text.h"

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
    kokurin::OnlineRequest online;
    std::string error;
    if (!kokurin::readOnlineArguments(static_cast<int>(argv.size()), argv.data(), online, error) ||
        !kokurin::readCaFileArgument(static_cast<int>(argv.size()), argv.data(), error)) {
        MessageBoxW(nullptr, kokurin::toWide(("kokurin: " + error).c_str()).c_str(), L"kokurin",
                    MB_OK | MB_ICONERROR);
        return 2;
    }
    return kokurin::runApplication(instance, showCommand, nullptr, online);
}
