// The system typeface the SDL game draws its texts in when its own font file is missing, and
// what the player is told then.
#pragma once

#include <string>
#include <vector>

namespace kokurin {
namespace sdl {

// Font files to try, best first: a Japanese face where the system has one, then its plain sans.
// Files that do not exist are left out; the list may be empty.
std::vector<std::string> fallbackFontFiles();

// The notice for a missing font file: which file, what is drawn instead (an empty fallback: no
// text at all), and how to get the file back. Japanese first, then English, since a box without
// the font may not draw the Japanese.
std::string missingFontNotice(const char* missingFile, const std::string& fallbackFile);

} // namespace sdl
} // namespace kokurin
