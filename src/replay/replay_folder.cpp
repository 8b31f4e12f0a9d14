// The folder of replay files through std::filesystem (UTF-8 paths on every system).
#include "replay/replay_folder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "replay/replay_library.h"

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
    std::error_code error;
    fs::create_directories(fs::u8path(folder), error);
    if (error) {
        return false;
    }
    const fs::path file = fileOf(folder, name);
    fs::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, file, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
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
