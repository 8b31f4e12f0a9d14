// A player's name, one set of rules for every place that takes one: the lobby's Hello, the name a
// player key owns in ranked play, the API's lookups, the clients that type it and the replays that
// store it. What is shown beside a seat, in the room and replay lists and on the leaderboard must
// not hide, reorder or fake other text, and two names that read alike (case, full-width Latin) are
// one name. It lives with the replay format, the lowest of the places that hold names.
#pragma once

#include <cstddef>
#include <string>

namespace kokurin {


// Characters a name may have (a name is also at most replayMaxNameBytes of UTF-8, the bound a
// replay and the protocol share).
constexpr std::size_t maxNameCharacters = 16;

// Whether `name` is a name as it stands: well-formed UTF-8 of 1 to maxNameCharacters characters
// and at most replayMaxNameBytes bytes, no control character (C0, DEL, C1), no direction mark,
// override, embedding or isolate, no invisible, private-use or non-character, no space but the
// plain one, none at either end and never two together. False with the reason, in plain words.
bool validPlayerName(const std::string& name, std::string& why);
bool validPlayerName(const std::string& name);

// What a player typed as a name: spaces of any kind trimmed from both ends, then a valid name;
// false (name untouched) otherwise.
bool normalizePlayerName(const std::string& typed, std::string& name);

// The name folded for comparison (letters of any case, full-width Latin as its ASCII): two
// names with the same key are the same name. Only for valid names.
std::string playerNameKey(const std::string& name);

// The code points of UTF-8 text; false for text that is not valid UTF-8 (overlong forms,
// surrogates and anything past U+10FFFF included).
bool decodeUtf8(const std::string& text, std::u32string& out);
void appendUtf8(char32_t c, std::string& out);

} // namespace kokurin
