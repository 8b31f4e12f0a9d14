// Settings files through std::filesystem: its rename replaces an existing file on every system
// the game builds for (on Windows too, where the C library's rename would refuse).
#include "settings/settings_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace kokurin {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::string& utf8) {
    // u8path: the path's bytes are UTF-8 whatever the system's narrow encoding.
    return fs::u8path(utf8);
}

} // namespace

StoredText readSettingsFile(const std::string& path, std::string& text) {
    const fs::path file = pathOf(path);
    std::error_code error;
    if (!fs::exists(file, error)) {
        return error ? StoredText::Unreadable : StoredText::Missing;
    }
    if (!fs::is_regular_file(file, error)) {
        return StoredText::Unreadable;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return StoredText::Unreadable;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return StoredText::Unreadable;
    }
    return StoredText::Read;
}

bool replaceSettingsFile(const std::string& path, const std::string& text) {
    const fs::path file = pathOf(path);
    fs::path temporary = file;
    temporary += ".tmp";
    std::error_code error;
    if (file.has_parent_path()) {
        fs::create_directories(file.parent_path(), error);
        if (error) {
            return false;
        }
    }
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
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

} // namespace kokurin
