// A player's name as every lobby takes it: what is shown beside a seat and in the room list, so
// nothing in it may hide, reorder or fake other text.
#pragma once

#include <cstddef>
#include <string>

namespace kokurin::net {

// Characters a name may have once trimmed (a name is also at most maxNameBytes of UTF-8).
constexpr std::size_t maxNameCharacters = 16;

// The name with spaces trimmed from both ends; false (name untouched) unless it is well-formed
// UTF-8 of 1 to maxNameCharacters characters and maxNameBytes bytes with no control character
// (C0, DEL, C1), no direction override, embedding or isolate and no invisible character.
bool normalizePlayerName(const std::string& typed, std::string& name);

} // namespace kokurin::net
