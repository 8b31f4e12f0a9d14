// The server's game: clients, rooms with two seats and spectators, the quick-match queue, the
// relay of the input streams, rematches, resumes, the stall timeout and the checking and saving
// of every match. It knows nothing of sockets: the network code hands it messages and gives it
// an Outbox to answer through, so it runs the same under tests. Every client is hostile: each
// one costs a bounded amount, and none can change another's seat or match.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "match_referee.h"
#include "net/protocol.h"
#include "ranked_queue.h"
#include "ranked_records.h"
#include "room_directory.h"
#include "server_log.h"

namespace kokurin {

class ReplayFolder;

using ClientId = std::uint64_t;

// What a greeted client takes along to another event loop of the same process.
struct CarriedClient {
    std::string name;
    std::uint64_t token = 0;
    int wrongTokens = 0;
    // Its flood bucket, in thousandths of a message.
    std::int64_t allowance = 0;
    // The player its key is in ranked play (0: none).
    std::int64_t player = 0;
};

// What the lobby answers through. The network code that implements it promises:
// - send() and close() only queue: they never call back into the lobby. A connection that must
//   go inside them (its queue past its cap, a broken socket) is torn down on a later turn of
//   the network loop and reported then through ServerLobby::disconnected();
// - after close(c) the lobby may still be handed messages c sent before (it ignores them);
//   disconnected(c) follows later, exactly once, for every client that was connected();
// - a ClientId is never used for a second connection.
// The lobby in turn never sends to a client after its disconnected().
class Outbox {
  public:
    virtual ~Outbox() = default;
    virtual void send(ClientId client, const std::vector<std::uint8_t>& bytes) = 0;
    // Sends what is queued, then closes the connection.
    virtual void close(ClientId client) = 0;
    // The room (or the quick-match waiter) the client asked for lives at `address`: when that
    // is another event loop of this process, the connection goes there with what the client
    // carries, and that loop's lobby is handed `request` from it; true then, and this lobby
    // hears of the client no more (no disconnected()). False: the address is another
    // process's, and the client is told to go there.
    virtual bool handOver(ClientId, const std::string& /*address*/, const CarriedClient&,
                          const std::vector<std::uint8_t>& /*request*/) {
        return false;
    }
};

struct ServerLobbyOptions {
    // A seat silent this long loses its match.
    std::uint32_t stallMs = 20000;
    // A client may send this many messages a second, and as many at once (a bucket that fills
    // as time passes); past it the client is dropped.
    int maxMessagesPerSecond = 400;
    // A gap this long between the lobby's calls is the server's own stall: the messages that
    // queued up meanwhile are forgiven.
    std::uint32_t lateCallMs = 500;
    // A connection that has not said Hello this long after it opened is closed.
    std::uint32_t helloTimeoutMs = 5000;
    // Spectators one room takes.
    std::size_t maxSpectators = 64;
    // Frames a match may last (30 minutes); a seat's input past it ends the match.
    std::uint32_t maxMatchFrames = 108000;
    // Frames a seat's stream may reach past the match's clock (60 frames a second since it
    // started): a player whose stream runs further ahead is dropped, so that nobody can make
    // the server hold and re-play a match faster than it is played.
    std::uint32_t maxLeadFrames = 300;
    // Resumes with a token that is no seat's one connection may try before it is closed.
    int maxWrongTokens = 5;
    // Where tokens, codes and seeds come from (empty: the system's cryptographic source).
    std::function<std::uint64_t()> random;
};

class ServerLobby {
  public:
    // replays: where each match's replay is saved (nullptr: nowhere). directory: shared with
    // other server processes (nullptr: this process alone). Each must outlive the lobby, and
    // the referee must complete no check after the lobby is gone.
    ServerLobby(Outbox& out, MatchReferee& referee, ServerLog& log, ServerLobbyOptions options,
                ReplayFolder* replays = nullptr, RoomDirectory* directory = nullptr);
    ~ServerLobby();

    void connected(ClientId client, std::uint32_t nowMs);
    void received(ClientId client, const std::uint8_t* bytes, std::size_t size,
                  std::uint32_t nowMs);
    void disconnected(ClientId client, std::uint32_t nowMs);
    // A client another event loop's lobby handed over (its connection now is this loop's); the
    // request it was handed over for follows through received().
    void adopt(ClientId client, const CarriedClient& carried, std::uint32_t nowMs);
    // Called a few times a second: stall timeouts, connections that never said Hello.
    void tick(std::uint32_t nowMs);

    // Ranked play and the keeping of every match through the records (nullptr, the default:
    // no ranked play; replays go to the ReplayFolder). Must outlive the lobby and answer
    // nothing after it is gone.
    void setRecords(RankedRecords* records) { records_ = records; }
    // The matches being played that anyone may watch (ranked ones and listed rooms'), for the
    // page's live view.
    struct LiveRoom {
        std::string code;
        std::string names[2];
        bool ranked = false;
        std::size_t spectators = 0;
        std::uint32_t playingForMs = 0;
    };
    std::vector<LiveRoom> liveMatches(std::uint32_t nowMs) const;
    // Players waiting in the ranked queue (their rating known).
    std::size_t rankedWaiting() const { return rankedWaiters_.size(); }

    // Matches whose verdict was given (for the log and the tests).
    long matchesFinished() const { return finished_; }
    // Matches handed to the referee and not yet judged.
    std::size_t checksPending() const { return pending_.size(); }

    struct Room;
    struct Client;
    struct PendingCheck;

  private:
    using RoomMap = std::map<std::string, std::unique_ptr<Room>>;

    void noteTime(std::uint32_t nowMs);
    bool withinFloodLimit(Client& client, std::uint32_t nowMs);
    void handle(Client& client, const net::Message& m, std::uint32_t nowMs);
    void greet(Client& client, const net::Message& m);
    void createRoom(Client& client, const net::Message& m, std::uint32_t nowMs);
    void joinRoom(Client& client, const net::Message& m, std::uint32_t nowMs);
    void quickMatch(Client& client, std::uint32_t nowMs);
    void resume(Client& client, const net::Message& m, std::uint32_t nowMs);
    void listRooms(Client& client);
    void refuse(ClientId client, net::RefusalReason reason, const std::string& text);
    // Refuses, closes, and takes the client out of everything; its disconnected() comes later.
    void drop(Client& client, net::RefusalReason reason, const std::string& text,
              std::uint32_t nowMs);
    void send(ClientId client, const net::Message& m);
    void sendToRoom(Room& room, const net::Message& m);
    Room* findRoom(const std::string& code);
    Room& makeRoom(const std::string& code, bool listed, const Client& maker);
    // Out of the quick-match queue and of any room: the first step of every way into a room.
    void leaveEverything(Client& client, std::uint32_t nowMs);
    void dequeue(ClientId client);
    void seat(Client& client, Room& room, int seat, std::uint32_t nowMs);
    void watch(Client& client, Room& room);
    void announce(Room& room);
    void startMatch(Room& room, std::uint32_t nowMs);
    void sendMatchSoFar(Room& room, ClientId client);
    void acceptInputs(Client& client, Room& room, const net::Message& m, std::uint32_t nowMs);
    // Sends everyone in the room what they lack of the seat's stream, which grew from `was`.
    void relay(Room& room, int seat, std::uint32_t was);
    // Sends one client what it lacks of the seat's stream.
    void sendFrames(Room& room, Client& to, int seat);
    std::uint32_t matchClock(const Room& room, std::uint32_t nowMs) const;
    void acceptHash(Client& client, Room& room, const net::Message& m);
    void acceptResult(Client& client, Room& room, const net::Message& m, std::uint32_t nowMs);
    void askRematch(Client& client, Room& room, std::uint32_t nowMs);
    bool rematchDue(const Room& room) const;
    std::uint32_t framesHeld(const Room& room) const;
    void finishWithResults(Room& room);
    // Ends a match being played: the room waits for the referee's re-play, which gives the
    // verdict (matchChecked).
    void endMatch(Room& room, net::MatchEnd how, int winner, std::uint32_t frames);
    void matchChecked(std::uint64_t ticket, Replay replay);
    void leaveRoom(Client& client, std::uint32_t nowMs);
    std::uint64_t random();
    std::string freshCode();
    // Takes a code that no room of this process has for this process; false when it is taken.
    bool claimCode(const std::string& code);
    // Sends the player to the process (or event loop) that holds the room, when another does.
    bool redirected(Client& client, const std::string& code, const net::Message& request);
    void sendAway(Client& client, const std::string& address, const net::Message& request);
    // To another event loop of this process, when the address names one.
    bool handOver(Client& client, const std::string& address, const net::Message& request);
    void forgetHandedOver();
    void publish(const Room& room);
    static net::RoomEntry entryOf(const Room& room);
    void eraseRoom(RoomMap::iterator room);
    void matchWaiters();

    // Ranked play (the end of server_lobby.cpp).
    void identify(Client& client, const net::Message& m);
    void identified(ClientId id, const PlayerClaim& claim);
    void askStanding(Client& client);
    void sendStanding(ClientId id, RankedPlayer player);
    void rankedQueue(Client& client, std::uint32_t nowMs);
    void rankedRating(ClientId id, bool ok, double rating);
    // The player waits in the ranked queue, is being looked up for it, or plays a ranked match.
    bool rankedBusy(RankedPlayer player) const;
    void leaveRankedQueue(ClientId id);
    void pairRanked(std::uint32_t nowMs);
    void recordMatch(const PendingCheck& check, net::MatchEnd how, int winner,
                     std::uint32_t frames, const Replay& replay);
    struct RecordTicket;
    void recorded(const RecordTicket& ticket, const RecordOutcome& result);
    // Taking over the rooms of a process that died (the end of server_lobby.cpp): a Resume or
    // JoinRoom of a room this process does not hold waits for the directory's word (true), which
    // sends the player elsewhere or gives this process the room and its match as kept.
    bool awaitDirectory(Client& client, const net::Message& m, const std::string& code);
    void answerAdoptions(std::uint32_t nowMs);
    void adoptRoom(const JournalMatch& match, std::uint32_t nowMs);
    // Rooms another process took over: their players are sent there.
    void dropLostRooms();
    // What the journal keeps: each match's start and each seat's frames as they are accepted.
    void journalStart(const Room& room);
    void journalFrames(const Room& room, int seat, std::uint32_t from);
    // Every player still here has sent its Result and the server holds the frames they played.
    bool resultsIn(const Room& room) const;

    Outbox& out_;
    MatchReferee& referee_;
    ServerLog& log_;
    ServerLobbyOptions options_;
    ReplayFolder* replays_;
    RoomDirectory* directory_;
    std::uint32_t lastWaiterCheck_ = 0;
    // The time of the lobby's last call, and when it last forgave a stall of its own.
    bool called_ = false;
    std::uint32_t lastCall_ = 0;
    std::uint32_t forgivenAt_ = 0;
    std::map<ClientId, std::unique_ptr<Client>> clients_;
    RoomMap rooms_;
    std::vector<ClientId> quickQueue_;
    std::map<std::uint64_t, std::unique_ptr<PendingCheck>> pending_;
    // Rooms the directory was asked to take over and has not answered for yet.
    std::set<std::string> adopting_;
    std::uint64_t lastTicket_ = 0;
    long finished_ = 0;
    RankedRecords* records_ = nullptr;
    std::vector<RankedWaiter> rankedWaiters_;
    // Clients whose rating is being looked up for the queue, with their player.
    std::map<ClientId, RankedPlayer> rankedAsking_;
    // The window each waiter was last told.
    std::map<ClientId, std::uint32_t> rankedWindows_;
    // Clients handed to another event loop during the current call.
    std::vector<ClientId> handedOver_;
};

} // namespace kokurin
