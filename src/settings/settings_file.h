// The settings text kept in a file, for the front ends that have files: read whole, and
// replaced whole through a temporary file, so that a failed write leaves the old file as it was.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kokurin {

// Reads the file at a UTF-8 path: Missing when there is none.
StoredText readSettingsFile(const std::string& path, std::string& text);
// Writes path + ".tmp", then renames it over the file (making the folder first); false when any
// step failed, the file then being as it was.
bool replaceSettingsFile(const std::string& path, const std::string& text);

} // namespace kokurin
