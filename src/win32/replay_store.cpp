// Where the Windows game keeps its replays: %APPDATA%\kokurin\replays.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "replay/replay_folder.h"

namespace kokurin {

namespace {

const std::string& replayFolder() {
    static const std::string folder = [] {
        const wchar_t* appData = _wgetenv(L"APPDATA");
        if (appData == nullptr || *appData == L'\0') {
            return std::string();
        }
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, appData, -1, nullptr, 0, nullptr, nullptr);
        if (bytes <= 1) {
            return std::string();
        }
        std::string utf8(static_cast<std::size_t>(bytes - 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, appData, -1, &utf8[0], bytes, nullptr, nullptr);
        return utf8 + "\\kokurin\\replays";
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

// The box has said it when it went wrong; nothing else shows the outcome on Windows.
void replayWatched(bool, const char*) {
}

} // namespace kokurin
