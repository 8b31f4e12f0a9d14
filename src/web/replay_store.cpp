// The browser's replay store: the page keeps the replays in its storage (replays.js).
#include <string>
#include <vector>

#include "platform/platform.h"
#include "web/page_bridge.h"

namespace kokurin {

bool writeReplayData(const std::string& name, const std::string& bytes) {
    return kokurin_page_replay_write(name.c_str(),
                                     reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     static_cast<int>(bytes.size())) != 0;
}

bool readReplayData(const std::string& name, std::size_t maxBytes, std::string& bytes) {
    bytes.resize(maxBytes + 1);
    const int got = kokurin_page_replay_read(
        name.c_str(), reinterpret_cast<std::uint8_t*>(&bytes[0]), static_cast<int>(maxBytes));
    if (got < 0) {
        bytes.clear();
        return false;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return true;
}

void listReplayData(std::vector<std::string>& names) {
    names.clear();
    std::string text(4096, '\0');
    int length = kokurin_page_replay_list(&text[0], static_cast<int>(text.size()));
    if (length >= static_cast<int>(text.size())) {
        text.assign(static_cast<std::size_t>(length) + 1, '\0');
        length = kokurin_page_replay_list(&text[0], static_cast<int>(text.size()));
    }
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            names.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
}

void removeReplayData(const std::string& name) {
    kokurin_page_replay_remove(name.c_str());
}

std::string replayLocation() {
    return "the browser's storage";
}

void replayWatched(bool ok, const char* text) {
    kokurin_page_replay_watched(ok ? 1 : 0, text);
}

} // namespace kokurin
