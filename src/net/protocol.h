// The online game's messages: one binary message per WebSocket message, laid out as
// docs/protocol.md's table says. The decoder refuses anything it cannot trust (wrong size, a
// field out of range, bytes left over) so that a server can drop a client that sends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/frame_input.h"
#include "match/match_start.h"
#include "replay/replay_file.h"

namespace kokurin::net {

// Both ends must speak the same version; the handshake refuses any other. Version 2 sends a
// seat's input when it changes, as runs of frames (version 1 sent every frame).
constexpr std::uint16_t protocolVersion = 2;
// No message is larger (a Start, which carries a generator state, is the largest).
constexpr std::size_t maxMessageBytes = 4096;
// Runs one Inputs message may carry, and the frames of one run.
constexpr std::size_t maxInputRuns = 120;
constexpr std::uint32_t maxRunFrames = 65535;
// Bytes of a player's name and of a room code (net/player_name.h and net/room_code.h say what
// else a name and a code must be).
constexpr std::size_t maxNameBytes = 32;
constexpr std::size_t maxRoomCodeBytes = 8;
// Rooms one RoomList names.
constexpr std::size_t maxListedRooms = 32;
// Addresses one Servers message names.
constexpr std::size_t maxServerAddresses = 16;
// Bytes of one such address.
constexpr std::size_t maxServerAddressBytes = 255;
// Seat numbers: 0 is 1P, 1 is 2P, this one watches.
constexpr std::uint8_t spectatorSeat = 2;

enum class MessageType : std::uint8_t {
    Hello = 1,
    Welcome = 2,
    Refused = 3,
    ListRooms = 4,
    RoomList = 5,
    CreateRoom = 6,
    JoinRoom = 7,
    QuickMatch = 8,
    Joined = 9,
    Start = 10,
    Inputs = 11,
    Hash = 12,
    Diverged = 13,
    Result = 14,
    MatchOver = 15,
    Rematch = 16,
    Leave = 17,
    Resume = 18,
    Ping = 19,
    Pong = 20,
    // Ranked play: see the block below.
    Identify = 21,
    Standing = 22,
    AskStanding = 23,
    RankedQueue = 24,
    RankedWaiting = 25,
    Rated = 26,
    Servers = 27,
};
constexpr std::uint8_t lastMessageType = 27;

// Why the server refused a request or closed the connection.
enum class RefusalReason : std::uint8_t {
    WrongVersion = 1,
    RoomFull = 2,
    RoomUnknown = 3,
    Malformed = 4,
    Flooding = 5,
    NotInRoom = 6,
    ResumeUnknown = 7,
    WrongProcess = 8,
    // Ranked play: the Hello's name belongs to another player key (Identify refused; the
    // connection stays, unidentified) ...
    NameTaken = 9,
    // ... and a ranked request refused; the explanation is one of rankedRefusal's words.
    RankedRefused = 10,
    // The room's process is gone and this one cannot take its match over yet: ask again soon.
    RoomMoving = 11,
};
constexpr std::uint8_t lastRefusalReason = 11;

// How a match ended, as the server judged it.
enum class MatchEnd : std::uint8_t {
    // A seat's hit points fell to zero.
    Winner = 1,
    // A player left with ESC or Leave; the other wins.
    Left = 2,
    // A player was gone longer than the stall timeout; the other wins.
    Gone = 3,
    // A player's game parted from the server's re-play of the streams; the other wins (nobody
    // when both parted).
    Diverged = 4,
    // The match reached the longest the server plays; nobody wins.
    TooLong = 5,
};
constexpr std::uint8_t lastMatchEnd = 5;

// Frames of one input in a row, as an Inputs message carries a stream.
struct InputRun {
    std::uint16_t frames = 0;
    FrameInput input;
    bool operator==(const InputRun& other) const {
        return frames == other.frames && input == other.input;
    }
};

struct RoomEntry {
    std::string code;
    std::string names[2];
    // Spectators watching, and whether a match is being played.
    std::uint16_t spectators = 0;
    std::uint8_t playing = 0;
};

// ---- Ranked play (types 21 to 26, refusals 9 and 10; docs/protocol.md, "Ranked play") ----

// A player key: 256 random bits the client keeps, which owns its ranked name.
constexpr std::size_t playerKeyBytes = 32;
// Players a Standing names beside the player's own.
constexpr std::size_t maxLeaders = 10;

// Why a Rated match changed no rating (Rated for a rated one).
enum class RatedOutcome : std::uint8_t {
    Rated = 0,
    // Under ten seconds of play.
    TooShort = 1,
    // The games parted (MatchEnd 4).
    Parted = 2,
    // The match reached the longest the server plays (MatchEnd 5).
    TooLong = 3,
    // Nobody won (both players left or were gone).
    NoWinner = 4,
    // A rematch in a ranked room: only the room's first match is rated.
    Rematch = 5,
    // The server could not save the ratings.
    NotSaved = 6,
};
constexpr std::uint8_t lastRatedOutcome = 6;

// The explanations of a RankedRefused refusal: the client says it in its own words.
namespace rankedRefusal {
constexpr const char* noKey = "no key";
constexpr const char* sameKey = "same key";
constexpr const char* notHere = "not here";
constexpr const char* storeFailed = "store failed";
} // namespace rankedRefusal

struct RankedLeader {
    std::uint32_t rank = 0;
    std::string name;
    std::uint16_t rating = 0;
};

struct RankedStanding {
    std::string name;
    // Whole rating points; the deviation likewise.
    std::uint16_t rating = 0;
    std::uint16_t deviation = 0;
    // 0 before the player's first rated match.
    std::uint32_t rank = 0;
    std::uint32_t games = 0;
    std::uint32_t wins = 0;
    std::uint32_t losses = 0;
    // The top of the leaderboard, at most maxLeaders.
    std::vector<RankedLeader> leaders;
};

// The ranked messages' own fields (Message::ranked).
struct RankedFields {
    // Identify: the player key.
    std::uint8_t key[playerKeyBytes] = {};
    // Standing.
    RankedStanding standing;
    // Rated (with the receiver's seat in Message::seat): each seat's rating before and after
    // the match (whole points; 0 when unrated).
    std::uint16_t before[2] = {0, 0};
    std::uint16_t after[2] = {0, 0};
};

// Every message in one record; each type uses the fields docs/protocol.md lists for it and
// leaves the others at their defaults (so that a decoded message compares equal to the one
// encoded).
struct Message {
    MessageType type = MessageType::Ping;
    std::uint16_t version = 0;
    // A name, a room code, a refusal's explanation or an address, by type.
    std::string text;
    std::string gameVersion;
    std::string names[2];
    std::uint8_t seat = 0;
    std::uint8_t flag = 0;
    std::uint8_t reason = 0;
    // A frame number (an Inputs message's first), a match number or a ping's stamp, by type.
    std::uint32_t number = 0;
    std::uint32_t hash = 0;
    std::uint64_t token = 0;
    // Frames each seat's stream reaches: what the server holds (Start, and Inputs from the
    // server), or what the sender's own stream reaches (its seat's entry of Inputs it sends).
    std::uint32_t held[2] = {0, 0};
    // Start: the frames the match's clock has run (60 a second since it began), and how many
    // frames past that clock a seat's stream may reach.
    std::uint32_t clock = 0;
    std::uint32_t lead = 0;
    MatchStart start;
    std::vector<InputRun> runs;
    std::vector<RoomEntry> rooms;
    // Identify, Standing and Rated (ranked play's block above).
    RankedFields ranked;
    // The server's processes, where a client whose connection is lost may go (Servers).
    std::vector<std::string> addresses;
};

bool operator==(const Message& a, const Message& b);

// The bytes of a message; a message whose fields exceed the limits above is a programming
// error and encodes as an empty vector (never sent).
std::vector<std::uint8_t> encodeMessage(const Message& message);
// False with a reason (message untouched) for anything but one whole, sound message.
bool decodeMessage(const std::uint8_t* bytes, std::size_t size, Message& message,
                   std::string& error);

} // namespace kokurin::net
