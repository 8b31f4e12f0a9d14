// The settings screen, opened with O from the title screen: the settings listed, changed with the
// keys, keys rebound by pressing the new key, saved on leaving.
#pragma once

namespace kokurin {

struct Settings;

// Runs until ESC (or the leave entry) saves the settings and returns false; true when the
// application must quit (nothing is saved then).
bool runSettingsScreen(Settings& settings);

} // namespace kokurin
