// One player's (or spectator's) session with a kokurin server, over any Transport: the
// handshake, the room, the match's start and the two seats' input streams as the server
// ordered them, pings, the match's end, and resuming after a dropped connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/player_key.h"
#include "net/protocol.h"
#include "net/transport.h"

namespace kokurin::net {

// How long the server lets a seat be silent before that player loses the match (MatchOver 3),
// when it is started without --stall-seconds. The protocol does not carry it: clients count
// down to this one.
constexpr std::uint32_t defaultStallMs = 20000;

class OnlineClient {
  public:
    enum class Phase {
        Connecting,
        // Welcomed: in the lobby.
        Lobby,
        // In a room, waiting for the match to start.
        InRoom,
        Playing,
        // The server ended the match (matchEnd() says how).
        Over,
        // Refused or disconnected for good (error() says why).
        Failed,
    };

    OnlineClient(Transport& transport, std::string name);

    // Connects and greets the server. `url` is one address or several separated by commas (a
    // server of several processes): the first that answers is used. A server with several
    // processes may send the client to the process that holds the room it asked for (or a
    // player waiting in the queue): the client connects there, greets it and asks again, a few
    // times at most, and keeps that address for the rest of the session. It also names its
    // other processes, which the client adds to the ones it was given: when the connection drops
    // during a match, the client comes back to its process, and when that one is gone, to the
    // others in turn, where another process takes the match over.
    void open(const std::string& url);
    // Connects to take back the seat of a match this player was in on an earlier connection
    // (a page loaded again): greets the server and resumes with that connection's token and
    // room. A server that no longer has the match refuses (ResumeUnknown) and the client is in
    // its lobby.
    void openToResume(const std::string& url, std::uint64_t token, const std::string& room);
    // Reads what arrived, answers pings, keeps the ping going; once a frame. During a match a
    // dropped connection is reopened and the match resumed.
    void update(std::uint32_t nowMs);

    void listRooms();
    void createRoom(const std::string& code, bool listed);
    // flags: 1 watch, 2 create the room when there is none.
    void joinRoom(const std::string& code, bool spectate, bool createIfMissing);
    void quickMatch();
    void rematch();
    void leave();

    // Ranked play: the key is sent (Identify) after every Welcome, so the server knows the
    // player on each connection; set it before open().
    void setPlayerKey(const PlayerKey& key) { key_ = key; }
    // Waits in the ranked queue (Leave leaves it).
    void rankedMatch();
    // Asks for the player's standing again (rank and the top ten move as others play).
    void askStanding();
    // Whether the server knows this player's key (a Standing came): it plays ranked.
    bool ranked() const { return standings_ != 0; }
    const RankedStanding& standing() const { return standing_; }
    std::uint32_t standingsReceived() const { return standings_; }
    // The ranked queue's window as the server last said (0: not waiting).
    std::uint32_t rankedWindow() const { return rankedWindow_; }
    // The last ranked match's outcome (type Rated; Ping before any) and how many came.
    const Message& lastRated() const { return rated_; }
    std::uint32_t ratedReceived() const { return ratedCount_; }

    // This seat's input for a frame (frames in order from the match's first; a frame given
    // again after a resume replaces nothing the server holds). The stream goes to the server
    // when the input changes: at once when the last Inputs left at least inputBatchMs ago
    // (every frame at 60 frames a second), else with the next update, so that a client running
    // faster than the screen (a headless one) never floods the server; and, while nothing
    // changes, how far it reaches every keepAliveMs. It never reaches further past the match's
    // clock than the server allows (Start says how far): a client running ahead of real time
    // waits for it.
    void sendInput(std::uint32_t frame, const FrameInput& input);
    static constexpr std::uint32_t inputBatchMs = 4;
    static constexpr std::uint32_t keepAliveMs = 100;
    void sendHash(std::uint32_t frame, std::uint32_t hash);
    void sendResult(std::uint32_t frames, std::uint32_t hash, std::uint8_t result);

    Phase phase() const { return phase_; }
    const std::string& error() const { return error_; }
    // The last Refused the server sent, and how many have come (a screen notices a new one).
    const Message& lastRefusal() const { return refusal_; }
    std::uint32_t refusalsReceived() const { return refusals_; }
    // Whether the server ever welcomed this client (a failure before is a server not reached).
    bool welcomed() const { return welcomed_; }
    // What takes this player's seat back on another connection (0 before the first Welcome).
    std::uint64_t resumeToken() const { return token_; }
    // The connection dropped during a match and is being made again.
    bool reconnecting() const { return reconnecting_; }
    // When the server was last heard from, and when each seat's stream last grew (the clock
    // update() is given; the match's Start counts as both seats heard).
    std::uint32_t lastHeardMs() const { return lastHeard_; }
    std::uint32_t framesArrivedMs(int seat) const { return arrived_[seat]; }
    // The other player asked for another match after the current one.
    bool rematchAsked() const { return rematchAsked_; }
    const std::string& roomCode() const { return room_; }
    const std::vector<RoomEntry>& rooms() const { return rooms_; }
    // Set by each Start: the match's number, seat, names, start and what the server already
    // held of each stream (a resumed match).
    const Message& start() const { return start_; }
    bool started() const { return matchNumber_ != 0; }
    // Starts received (a resumed match sends one more).
    std::uint32_t startsReceived() const { return starts_; }
    std::uint32_t matchNumber() const { return matchNumber_; }
    std::uint8_t seat() const { return seat_; }
    // Frames of both seats' input that arrived, in order.
    std::uint32_t framesReady() const;
    // Each seat's frames as the server holds them, in order: the other seat's as they arrive,
    // this player's own as the server says it holds them.
    const std::vector<FrameInput>& stream(int seat) const { return streams_[seat]; }
    // Frames of this player's own stream given to sendInput (held by the server or not yet).
    std::uint32_t framesGiven() const { return static_cast<std::uint32_t>(mine_.size()); }
    // The server's word on the match's end (valid once phase() is Over).
    const Message& matchEnd() const { return end_; }
    // The frame where the server found this client's game parted (0: never).
    std::uint32_t divergedAt() const { return divergedAt_; }
    // The last round trip measured (ms; 0: none yet).
    std::uint32_t roundTripMs() const { return roundTrip_; }
    Transport& transport() { return transport_; }
    const Transport& transport() const { return transport_; }
    // The server's address now (after a redirect, the other process's).
    const std::string& url() const { return url_; }
    // Every address the client knows for the server: the ones it was given, then the ones the
    // server named.
    const std::vector<std::string>& addresses() const { return addresses_; }

  private:
    void send(const Message& message);
    void handle(const Message& message, std::uint32_t nowMs);
    void fail(const std::string& why);
    void greet();
    void flushInputs(std::uint32_t nowMs, bool force);
    // The frames this seat's stream may reach now, by the match's clock.
    std::uint32_t reachAllowed(std::uint32_t nowMs) const;
    // The server holds this many frames of this player's own stream.
    void ownHeld(std::uint32_t frames, std::uint32_t nowMs);
    // Refused 8: the room lives on another server process, at the refusal's address.
    bool followRedirect(const Message& refused);
    // Connects to one address; false when the transport cannot even try it.
    bool connectTo(const std::string& url, std::uint32_t nowMs);
    // The next address to try when the connection dropped during a match: its own process
    // first, then every other in turn.
    const std::string& reconnectTarget() const;
    // A match resumed: what the server lacks of this seat's stream as it was told before (a
    // process that took the match over holds it only as far as its journal), and the Result
    // if this match had returned.
    void resendAfterResume();

    Transport& transport_;
    std::string name_;
    std::string url_;
    std::vector<std::string> addresses_;
    // The first connection: the index of the address it tries.
    std::size_t firstTried_ = 0;
    // When the transport began to connect, and the process the match was on when the
    // connection dropped.
    std::uint32_t connectingSince_ = 0;
    bool connectingTimed_ = false;
    std::string home_;
    // The Result sent for this match (type Ping: none yet).
    Message result_;
    Phase phase_ = Phase::Connecting;
    bool greeted_ = false;
    // This connection had the match's Start (a connection made again has not yet).
    bool startedHere_ = false;
    std::string error_;
    std::string room_;
    std::uint64_t token_ = 0;
    bool welcomed_ = false;
    // The last Welcome's token (this connection's own, whatever seat it took back).
    std::uint64_t welcomeToken_ = 0;
    bool reconnecting_ = false;
    bool rematchAsked_ = false;
    std::uint32_t lastHeard_ = 0;
    std::uint32_t arrived_[2] = {0, 0};
    std::vector<RoomEntry> rooms_;
    Message start_;
    std::uint32_t matchNumber_ = 0;
    std::uint32_t starts_ = 0;
    std::uint8_t seat_ = spectatorSeat;
    std::vector<FrameInput> streams_[2];
    Message end_;
    Message refusal_;
    // The last request for a seat or the queue: sent again where a refusal 8 sends the client.
    Message request_;
    int redirects_ = 0;
    // The room just left: what it still says on its way is not for this client any more.
    std::string leftRoom_;
    std::uint32_t refusals_ = 0;
    std::uint32_t divergedAt_ = 0;
    std::uint32_t roundTrip_ = 0;
    std::uint32_t lastPing_ = 0;
    bool pinged_ = false;
    // Reconnections tried since the connection dropped mid-match.
    int reconnects_ = 0;
    std::uint32_t reconnectAt_ = 0;
    std::vector<std::vector<std::uint8_t>> received_;
    PlayerKey key_;
    RankedStanding standing_;
    std::uint32_t standings_ = 0;
    std::uint32_t rankedWindow_ = 0;
    Message rated_;
    std::uint32_t ratedCount_ = 0;
    // This player's own stream as it knows it (given to sendInput, or sent back by the server
    // to a page loaded again), and how much of it the server was told on this connection.
    std::vector<FrameInput> mine_;
    std::uint32_t told_ = 0;
    // The own frames the Start said the server held, and whether an Inputs went since.
    std::uint32_t heldAtStart_ = 0;
    bool toldSinceStart_ = false;
    // An input changed since the last Inputs.
    bool changed_ = false;
    std::uint32_t lastFlush_ = 0;
    // The match's clock: its frames at the Start and when the Start came; the lead allowed.
    std::uint32_t clockAtStart_ = 0;
    std::uint32_t startedMs_ = 0;
    std::uint32_t lead_ = 0;
    std::uint32_t now_ = 0;
};

// The refusal's reason in a player's words.
std::string refusalText(const Message& refused);

// The addresses of a comma-separated list, trimmed of spaces, empty ones left out.
std::vector<std::string> serverAddresses(const std::string& list);

} // namespace kokurin::net
