// The headless front end's settings store and window and volume calls: the settings text is
// kept in memory (nothing stored after reset), and what the game asked for is recorded.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kokurin {
namespace headless {

// Empties the store (called by reset): readSettingsText then answers Missing.
void resetSettingsStore();
// What readSettingsText answers from now on: the state and, for Read, the text.
void setStoredSettings(StoredText state, const std::string& text = "");
// The text last written (or set); whether anything is stored.
const std::string& storedSettings();
StoredText storedSettingsState();
// When false every write fails (and the stored text stays).
void setSettingsWritable(bool writable);
// Writes made (failed ones too).
int settingsWrites();
// The last setSoundVolume (100 until called) and setWindowPreferences.
int soundVolume();
bool fullscreenPreferred();
int windowScalePreferred();

} // namespace headless
} // namespace kokurin
