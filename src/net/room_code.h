// A room's code as players type, link and read it aloud, and as the server names its replays by.
#pragma once

#include <cstddef>
#include <string>

namespace kokurin::net {

constexpr std::size_t minRoomCodeCharacters = 4;

// The code in upper case; false (code untouched) unless it is 4 to maxRoomCodeBytes ASCII
// letters and digits.
bool normalizeRoomCode(const std::string& typed, std::string& code);

} // namespace kokurin::net
