// Settings in memory for the headless front end: every run starts with none, so that the tests
// see the game exactly as it starts without a settings file.
#include "headless/headless_settings.h"

namespace kokurin {
namespace headless {

namespace {

struct Store {
    StoredText state = StoredText::Missing;
    std::string text;
    bool writable = true;
    int writes = 0;
    int volume = 100;
    bool fullscreen = false;
    int scale = 0;
};

Store& store() {
    static Store instance;
    return instance;
}

} // namespace

void resetSettingsStore() {
    store() = Store{};
}

void setStoredSettings(StoredText state, const std::string& text) {
    store().state = state;
    store().text = text;
}

const std::string& storedSettings() {
    return store().text;
}

StoredText storedSettingsState() {
    return store().state;
}

void setSettingsWritable(bool writable) {
    store().writable = writable;
}

int settingsWrites() {
    return store().writes;
}

int soundVolume() {
    return store().volume;
}

bool fullscreenPreferred() {
    return store().fullscreen;
}

int windowScalePreferred() {
    return store().scale;
}

} // namespace headless

using headless::store;

StoredText readSettingsText(std::string& text) {
    if (store().state == StoredText::Read) {
        text = store().text;
    }
    return store().state;
}

bool writeSettingsText(const std::string& text) {
    ++store().writes;
    if (!store().writable) {
        return false;
    }
    store().state = StoredText::Read;
    store().text = text;
    return true;
}

std::string settingsLocation() {
    return "headless memory";
}

void setSoundVolume(int percent) {
    store().volume = percent;
}

void setWindowPreferences(bool fullscreen, int scale) {
    store().fullscreen = fullscreen;
    store().scale = scale;
}

} // namespace kokurin
