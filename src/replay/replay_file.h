// A replay: the match's start, its per-frame inputs, a state hash every second and at the end,
// and how it ended. Encoded as docs/replay-format.md describes; a decoder that refuses anything
// it cannot trust with a message a player can read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/frame_input.h"
#include "match/match_start.h"

namespace kokurin {

// The newest format this game reads and the one it writes for a match with an online record
// (the players' names, the server's verdict); a match without one is written as format 1, as
// every offline match is.
constexpr std::uint16_t replayFormatVersion = 2;
constexpr std::uint16_t replayOfflineFormat = 1;
// A player's name in a replay: at most this many bytes of UTF-8.
constexpr std::size_t replayMaxNameBytes = 32;
// A hash every this many frames (and one at the end).
constexpr int replayHashInterval = 60;
// Four hours of frames: a longer match is not recorded, a file claiming more is refused.
constexpr std::uint32_t replayMaxFrames = 4u * 60u * 60u * 60u;
// Larger files are refused before they are read.
constexpr std::size_t replayMaxBytes = 1u << 20;

enum class ReplayResult : std::uint8_t {
    FirstWon = 0,
    SecondWon = 1,
    // ESC left the match.
    Left = 2,
    // The game was closed (or the recording was cut) before the match ended.
    Stopped = 3,
};

// How the server decided an online match (its MatchOver's numbers); None: no verdict came.
enum class ReplayVerdict : std::uint8_t {
    None = 0,
    Winner = 1,
    // A player left (the other wins), or was gone past the stall timeout.
    Left = 2,
    Gone = 3,
    // A game parted from the server's re-play.
    Parted = 4,
    // The match reached the longest the server plays.
    TooLong = 5,
};
constexpr std::uint8_t replayNoWinner = 2;

struct Replay {
    std::string gameVersion;
    MatchStart start;
    ReplayResult result = ReplayResult::Stopped;
    std::vector<FrameInput> inputs;
    // hashes[k] is the state at the pump of frame (k + 1) * replayHashInterval; the last one is
    // the state when the match returned.
    std::vector<std::uint32_t> hashes;
    // An online match's record (empty names and no verdict offline): the players' names as the
    // match's start gave them, and the server's verdict with its winner's seat (0, 1, or
    // replayNoWinner).
    std::string names[2];
    ReplayVerdict verdict = ReplayVerdict::None;
    std::uint8_t verdictWinner = replayNoWinner;
};

// Whether the replay holds an online record (and is written as format 2).
bool hasOnlineRecord(const Replay& replay);

// The game's own version, written into every replay.
const char* gameVersion();

// The replay's hash taken at `frame` (a multiple of the hash interval), or false when the replay
// ended before it: a second's hash is taken at that frame's input, so only frames the replay
// played have one (the last hash is the end's).
bool replayHashAt(const Replay& replay, std::uint32_t frame, std::uint32_t& hash);

std::vector<std::uint8_t> encodeReplay(const Replay& replay);
// The CRC-32 (zlib's) a replay ends with, over the bytes before it.
std::uint32_t replayChecksum(const std::uint8_t* bytes, std::size_t size);
// False with a message (and replay untouched) for anything but a whole, sound file.
bool decodeReplay(const std::uint8_t* bytes, std::size_t size, Replay& replay, std::string& error);

} // namespace kokurin
