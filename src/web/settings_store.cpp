// The browser's settings: the text in the site's localStorage (the page's library functions),
// the volume on the page's master gain. A page has no window of its own to size.
#include <string>

#include "platform/platform.h"
#include "web/page_bridge.h"

namespace kokurin {

StoredText readSettingsText(std::string& text) {
    const int length = kokurin_page_settings_length();
    if (length == -1) {
        return StoredText::Missing;
    }
    if (length < 0) {
        return StoredText::Unreadable;
    }
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    if (kokurin_page_read_settings(&buffer[0], length + 1) == 0) {
        return StoredText::Unreadable;
    }
    buffer.resize(static_cast<std::size_t>(length));
    text = buffer;
    return StoredText::Read;
}

bool writeSettingsText(const std::string& text) {
    return kokurin_page_write_settings(text.c_str()) != 0;
}

std::string settingsLocation() {
    return "localStorage kokurin.settings";
}

void setSoundVolume(int percent) {
    kokurin_page_set_volume(percent);
}

void setWindowPreferences(bool, int) {}

} // namespace kokurin
