// A ServerLobby with everything around it faked as the network code and the server would be:
// an Outbox that decodes what is sent and reports closes (and full queues) as disconnections on
// a later call, as the network loop does; a referee whose re-play needs no game core and whose
// checks complete when the test says; a log that keeps its lines.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "server_lobby.h"

namespace kokurin::testing {

class FakeOutbox : public Outbox {
  public:
    void send(ClientId client, const std::vector<std::uint8_t>& bytes) override;
    void close(ClientId client) override;

    std::map<ClientId, std::vector<net::Message>> heard;
    // Clients that never read: past `queueCap` bytes they are dropped (later).
    std::set<ClientId> stuck;
    std::size_t queueCap = std::size_t(4) << 20;
    std::map<ClientId, std::size_t> queued;
    // Closed by the lobby or for a full queue, not yet reported disconnected.
    std::vector<ClientId> dueToGo;
    std::set<ClientId> closedByLobby;
    std::set<ClientId> gone;
    // Faults of the lobby: a message that would not encode, a send after disconnected().
    std::vector<std::string> faults;
};

// The re-play of the fake referee: both streams' frames to `frames`, ending at the first ESC
// (the game leaves there) or at the frame a test made a win; a hash each second from the
// frames before it, so a test can send a hash the re-play agrees with.
std::uint32_t fakeHash(const std::vector<FrameInput>& first,
                       const std::vector<FrameInput>& second, std::uint32_t frame);

class FakeReferee : public MatchReferee {
  public:
    MatchStart makeStart(std::uint32_t seed) override;
    void check(MatchToCheck match, std::function<void(Replay)> done) override;

    Replay play(const MatchToCheck& match) const;
    // Completes the oldest check (false: none waits).
    bool completeOne();
    void completeAll();

    // A win the re-play finds at this frame (0: none).
    std::uint32_t winAt = 0;
    int winSeat = 0;
    std::vector<std::uint32_t> seeds;
    std::vector<MatchToCheck> checked;
    std::deque<std::pair<MatchToCheck, std::function<void(Replay)>>> waiting;
};

// Ranked records in memory: names owned by keys, ratings, every match kept; each answer waits
// until the rig settles (or a test completes it), as the server's database thread would.
class FakeRecords : public RankedRecords {
  public:
    void claim(const std::string& keyHex, const std::string& name,
               std::function<void(PlayerClaim)> done) override;
    void standing(RankedPlayer player,
                  std::function<void(bool, net::RankedStanding)> done) override;
    void rating(RankedPlayer player, std::function<void(bool, double)> done) override;
    void record(MatchRecord match, std::vector<std::uint8_t> replay,
                std::function<void(RecordOutcome)> done) override;

    bool completeOne();
    void completeAll();

    // The player a key's hex is (0: none yet), and each player's rating.
    std::map<std::string, RankedPlayer> players;
    std::map<RankedPlayer, std::string> names;
    std::map<RankedPlayer, double> ratings;
    // Every call fails while set, as a database that is down.
    bool failing = false;
    std::vector<MatchRecord> kept;
    std::deque<std::function<void()>> waiting;
};

// A player key whose every byte is `b`.
net::Message identifyMessage(std::uint8_t b);

class KeptLog : public ServerLog {
  public:
    KeptLog() : ServerLog(LogLevel::Debug, nullptr) {}
    bool has(const std::string& part) const;
    std::vector<std::string> lines;

  protected:
    void write(LogLevel, const char* line) override { lines.emplace_back(line); }
};

struct LobbyRig {
    // ranked: the lobby keeps its matches through `records` (and plays ranked).
    LobbyRig(ServerLobbyOptions options, ReplayFolder* replays, bool ranked);
    // directory: the rooms this process shares with others (null: it is alone).
    explicit LobbyRig(ServerLobbyOptions options = {}, ReplayFolder* replays = nullptr,
                      RoomDirectory* directory = nullptr, bool ranked = false);

    ClientId connect();
    // Connects and says Hello; the client's token is kept from its Welcome.
    ClientId hello(const std::string& name);
    void send(ClientId client, const net::Message& m);
    void sendBytes(ClientId client, const std::vector<std::uint8_t>& bytes);
    void disconnect(ClientId client);
    void advance(std::uint32_t ms);
    // What the network loop does after each call: closes become disconnections, and (unless
    // a test holds them) the referee's checks complete.
    void settle();

    void create(ClientId c, const std::string& code, bool listed = false);
    void join(ClientId c, const std::string& code, std::uint8_t flags = 0);
    void quick(ClientId c);
    void leave(ClientId c);
    void resume(ClientId c, std::uint64_t token, const std::string& code);
    void rematch(ClientId c);
    // Frames [first, first + count) of the seat's stream, each with these keys, in one Inputs.
    void inputs(ClientId c, int seat, std::uint32_t first, std::uint32_t count,
                std::uint16_t keys = 0);
    // The seat's stream as the client has been sent it since its last Start (what a client
    // builds from the Inputs it hears).
    std::vector<FrameInput> streamHeard(ClientId c, int seat) const;
    void hash(ClientId c, std::uint32_t frame, std::uint32_t value);
    void result(ClientId c, std::uint32_t frames);

    std::vector<net::Message> heard(ClientId c, net::MessageType type) const;
    // The last message of a type sent to a client (type Ping when none).
    net::Message last(ClientId c, net::MessageType type) const;
    bool closed(ClientId c) const { return out.closedByLobby.count(c) != 0; }
    std::uint64_t token(ClientId c) { return tokens[c]; }

    FakeOutbox out;
    FakeReferee referee;
    FakeRecords records;
    KeptLog log;
    std::unique_ptr<ServerLobby> lobby;
    std::uint32_t now = 1000;
    bool completeChecks = true;
    ClientId nextId = 1;
    std::uint64_t nextRandom = 0x9e3779b97f4a7c15ull;
    std::map<ClientId, std::uint64_t> tokens;
};

net::Message helloMessage(const std::string& name);

} // namespace kokurin::testing
