// The per-user folders of a desktop front end (the SDL game, the Direct3D game): each says where
// its platform keeps a user's settings and data; the files in them are kept the same way by both
// (folder_stores.cpp). Empty: the platform has no such folder.
#pragma once

#include <string>

namespace kokurin {

// The folder of settings.ini, ending in a separator (KOKURIN_CONFIG_DIR when set).
std::string desktopSettingsFolder();
// The folder of the saved replays.
std::string desktopReplayFolder();

} // namespace kokurin
