// The server's game: clients, rooms with two seats and spectators, the quick-match queue, the
// relay of the input streams, rematches, resumes, the stall timeout and the checking and saving
// of every match. It knows nothing of sockets: the network code hands it messages and gives it
// an Outbox to answer through, so it runs the same under tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "room_directory.h"

namespace kokurin {

using ClientId = std::uint64_t;

class Outbox {
  public:
    virtual ~Outbox() = default;
    virtual void send(ClientId client, const std::vector<std::uint8_t>& bytes) = 0;
    // Sends what is queued, then closes the connection.
    virtual void close(ClientId client) = 0;
};

struct ServerLobbyOptions {
    // A seat silent this long loses its match.
    std::uint32_t stallMs = 20000;
    // More messages than this in one second drop the client.
    int maxMessagesPerSecond = 400;
    // Where each match's replay is written (empty: nowhere).
    std::string replayDir;
};

class ServerLobby {
  public:
    // directory: shared with other server processes (nullptr: this process alone).
    ServerLobby(Outbox& out, ServerLobbyOptions options, std::uint64_t entropy,
          RoomDirectory* directory = nullptr);
    ~ServerLobby();

    void connected(ClientId client, std::uint32_t nowMs);
    void received(ClientId client, const std::uint8_t* bytes, std::size_t size,
                  std::uint32_t nowMs);
    void disconnected(ClientId client, std::uint32_t nowMs);
    // Called a few times a second: stall timeouts.
    void tick(std::uint32_t nowMs);

    // Matches finished and replays saved (for the log and the tests).
    long matchesFinished() const { return finished_; }

    struct Room;
    struct Client;

  private:
    void handle(Client& client, const net::Message& m, std::uint32_t nowMs);
    void refuse(ClientId client, net::RefusalReason reason, const std::string& text, bool close);
    void send(ClientId client, const net::Message& m);
    void sendToRoom(Room& room, const net::Message& m);
    Room& makeRoom(std::string code, bool listed);
    void seat(Client& client, Room& room, int seat, std::uint32_t nowMs);
    void watch(Client& client, Room& room);
    void announce(Room& room);
    void startMatch(Room& room, std::uint32_t nowMs);
    void sendMatchSoFar(Room& room, ClientId client);
    void acceptInputs(Client& client, Room& room, const net::Message& m);
    void acceptHash(Client& client, Room& room, const net::Message& m);
    void endMatch(Room& room, net::MatchEnd how, int winner, std::uint32_t frames);
    void finishWithResults(Room& room);
    void leaveRoom(Client& client, std::uint32_t nowMs);
    std::string freshCode();
    // Takes a code that no room of this process has for this process; false when it is taken.
    bool claimCode(const std::string& code);
    // Sends the player to the process that holds the room, when another does.
    bool redirected(Client& client, const std::string& code);
    void publish(const Room& room);
    static net::RoomEntry entryOf(const Room& room);
    void eraseRoom(std::map<std::string, std::unique_ptr<Room>>::iterator room);
    void matchWaiters();

    Outbox& out_;
    ServerLobbyOptions options_;
    RoomDirectory* directory_;
    std::uint32_t lastWaiterCheck_ = 0;
    std::mt19937_64 random_;
    std::map<ClientId, std::unique_ptr<Client>> clients_;
    std::map<std::string, std::unique_ptr<Room>> rooms_;
    std::vector<ClientId> quickQueue_;
    long finished_ = 0;
};

} // namespace kokurin
