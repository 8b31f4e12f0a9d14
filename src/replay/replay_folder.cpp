// The folder of replay files through std::filesystem (UTF-8 paths on every system); written as
// the settings file is, through a temporary file renamed over the old.
#include "replay/replay_folder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "replay/replay_library.h"
#include "settings/settings_file.h"

namespace kokurin {

namespace {

namespace fs = std::filesystem;

fs::path fileOf(const std::string& folder, const std::string& name) {
    return fs::u8path(folder) / fs::u8path(name);
}

} // namespace

bool writeReplayFile(const std::string& folder, const std::string& name, const std::string& bytes) {
    if (folder.empty() || !isReplayName(name)) {
        return false;
    }
    return replaceSettingsFile((fs::u8path(folder) / fs::u8path(name)).u8string(), bytes);
}

bool readReplayFile(const std::string& folder, const std::string& name, std::size_t maxBytes,
                    std::string& bytes) {
    if (folder.empty() || !isReplayName(name)) {
        return false;
    }
    std::ifstream in(fileOf(folder, name), std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.resize(maxBytes + 1);
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

void listReplayFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    std::error_code error;
    fs::directory_iterator it(fs::u8path(folder), error);
    if (folder.empty() || error) {
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        const std::string name = it->path().filename().u8string();
        if (isReplayName(name) && it->is_regular_file(error)) {
            names.push_back(name);
        }
    }
}

void removeReplayFile(const std::string& folder, const std::string& name) {
    if (folder.empty() || !isReplayName(name)) {
        return;
    }
    std::error_code error;
    fs::remove(fileOf(folder, name), error);
}

} // namespace kokurin
