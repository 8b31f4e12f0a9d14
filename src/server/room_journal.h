// What a room's journal keeps of its match, so that another server process can carry the match
// on when the process that held it dies: the match's number and start, the players' names, whether
// the room is listed, each seat's resume token (as a hash only: the token never leaves the
// process that handed it out) and both seats' streams. The journal's store (Redis) holds these as
// bytes; this file is their layout, and the hash that lets a seat go back only to its own token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/match_input.h"
#include "match/match_start.h"

namespace kokurin {

struct JournalMatch {
    std::string code;
    bool listed = false;
    std::uint32_t number = 0;
    std::string names[2];
    // seatTokenHash() of each seat's token.
    std::string tokenHashes[2];
    MatchStart start;
    std::vector<FrameInput> streams[2];
};

// SHA-256, in hex, of the token with the room and the seat it takes back: a hash of one room's
// seat says nothing of another's.
std::string seatTokenHash(const std::string& code, int seat, std::uint64_t token);
// Whether two hashes are the same, in a time that does not depend on where they differ.
bool sameTokenHash(const std::string& a, const std::string& b);

// A start as the journal keeps it (2516 bytes, little-endian), and back: false for anything but
// one whole start that a match can be made from.
std::string encodeJournalStart(const MatchStart& start);
bool decodeJournalStart(const std::string& bytes, MatchStart& start);

// Frames as the journal keeps them, three bytes each (the keys, little-endian, then the pick),
// and back, appended to `frames`: false (nothing appended) for a length that is no whole number
// of frames or a frame holding keys that do not exist.
std::string encodeJournalFrames(const FrameInput* frames, std::size_t count);
bool decodeJournalFrames(const std::string& bytes, std::vector<FrameInput>& frames);

} // namespace kokurin
