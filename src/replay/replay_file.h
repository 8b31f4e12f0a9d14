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

// The version this game writes and the newest it reads.
constexpr std::uint16_t replayFormatVersion = 1;
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

struct Replay {
    std::string gameVersion;
    MatchStart start;
    ReplayResult result = ReplayResult::Stopped;
    std::vector<FrameInput> inputs;
    // hashes[k] is the state at the pump of frame (k + 1) * replayHashInterval; the last one is
    // the state when the match returned.
    std::vector<std::uint32_t> hashes;
};

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
