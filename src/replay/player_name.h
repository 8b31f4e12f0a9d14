// A player's name as every lobby takes it and every replay stores it: what is shown beside a
// seat, in the room list and in the replay list, so nothing in it may hide, reorder or fake other
// text. It lives with the replay format, the lower of the two that hold names.
#pragma once

#include <cstddef>
#include <string>

namespace kokurin {

// Characters a name may have once trimmed (a name is also at most replayMaxNameBytes of UTF-8).
constexpr std::size_t maxNameCharacters = 16;

// The name with spaces trimmed from both ends; false (name untouched) unless it is well-formed
// UTF-8 of 1 to maxNameCharacters characters and replayMaxNameBytes bytes with no control
// character (C0, DEL, C1), no direction override, embedding or isolate and no invisible
// character.
bool normalizePlayerName(const std::string& typed, std::string& name);

} // namespace kokurin
