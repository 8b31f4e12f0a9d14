// The settings and the replays of the desktop games, kept as files in the folders their front end
// names: settings.ini replaced whole through a temporary file, each replay a file of its own
// written the same way, so that a failed write never loses what was there.
#include "desktop_files/user_folders.h"
#include "platform/platform.h"
#include "replay/replay_folder.h"
#include "settings/settings_file.h"

namespace kokurin {

namespace {

const std::string& replayFolder() {
    static const std::string folder = desktopReplayFolder();
    return folder;
}

} // namespace

std::string settingsLocation() {
    const std::string folder = desktopSettingsFolder();
    return folder.empty() ? "" : folder + "settings.ini";
}

StoredText readSettingsText(std::string& text) {
    const std::string path = settingsLocation();
    if (path.empty()) {
        return StoredText::Unreadable;
    }
    return readSettingsFile(path, text);
}

bool writeSettingsText(const std::string& text) {
    const std::string path = settingsLocation();
    return !path.empty() && replaceSettingsFile(path, text);
}

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

} // namespace kokurin
