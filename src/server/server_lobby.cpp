// Rooms, relay and the checking of matches, as docs/protocol.md describes them. The server is
// the one order of each match's frames: it keeps both seats' streams and every client plays
// them as relayed. Its own re-play of the streams, not what a client says, gives each verdict.
#include "server_lobby.h"

#include <algorithm>

#include "net/online_replay.h"
#include "net/input_runs.h"
#include "net/player_name.h"
#include "net/room_code.h"
#include "replay_folder.h"
#include "secure_random.h"

namespace kokurin {

using namespace net;

namespace {

constexpr std::uint16_t escKey = 1u;

const char* endName(MatchEnd how) {
    switch (how) {
    case MatchEnd::Winner:
        return "won";
    case MatchEnd::Left:
        return "left";
    case MatchEnd::Gone:
        return "gone";
    case MatchEnd::Diverged:
        return "diverged";
    case MatchEnd::TooLong:
        return "too long";
    }
    return "?";
}

const char* reasonName(RefusalReason reason) {
    switch (reason) {
    case RefusalReason::WrongVersion:
        return "wrong version";
    case RefusalReason::RoomFull:
        return "room full";
    case RefusalReason::RoomUnknown:
        return "no such room";
    case RefusalReason::Malformed:
        return "malformed";
    case RefusalReason::Flooding:
        return "flooding";
    case RefusalReason::NotInRoom:
        return "not in a room";
    case RefusalReason::ResumeUnknown:
        return "nothing to resume";
    case RefusalReason::WrongProcess:
        return "another process";
    case RefusalReason::NameTaken:
        return "name taken";
    case RefusalReason::RankedRefused:
        return "ranked play refused";
    case RefusalReason::RoomMoving:
        return "the room is moving here";
    }
    return "?";
}

// Compares every byte whatever the first difference, so the time taken says nothing of how
// much of a guessed token was right.
bool sameToken(std::uint64_t a, std::uint64_t b) {
    volatile std::uint64_t difference = a ^ b;
    return difference == 0;
}

} // namespace

struct ServerLobby::Client {
    ClientId id = 0;
    bool greeted = false;
    // Refused and closed: its messages are ignored until its disconnected().
    bool closing = false;
    std::string name;
    std::uint64_t token = 0;
    // The room and seat (spectatorSeat: watching); empty code: in the lobby.
    std::string room;
    int seat = spectatorSeat;
    std::uint32_t connectedAt = 0;
    // The flood bucket, in thousandths of a message.
    std::int64_t allowance = 0;
    std::uint32_t lastFill = 0;
    int wrongTokens = 0;
    // Ranked play: the player the connection's key is (0: not identified), an Identify or a
    // standing being answered, and a ranked queue asked for before the Identify was.
    RankedPlayer player = 0;
    bool identifying = false;
    bool askingStanding = false;
    bool wantsRanked = false;
    // A Resume or JoinRoom waiting for the directory's word on its room (empty code: none), and
    // the room whose word is being acted on.
    struct Awaiting {
        MessageType type = MessageType::JoinRoom;
        std::uint8_t flag = 0;
        std::uint64_t token = 0;
        std::string code;
    } awaiting;
    std::string answered;
    // Frames of each seat's stream of the room's match this client has been sent. A player's
    // own seat's frames are its own: the entry is how far it was told the server holds them.
    std::uint32_t given[2] = {0, 0};
};

struct ServerLobby::Room {
    struct Seat {
        std::string name;
        // 0: nobody connected.
        ClientId client = 0;
        std::uint64_t token = 0;
        // A seat of a match taken over from a process that died: its token is known by its hash
        // alone until its player comes back.
        std::string tokenHash;
        bool taken = false;
        std::uint32_t lastHeard = 0;
        std::vector<FrameInput> stream;
        std::map<std::uint32_t, std::uint32_t> hashes;
        bool resultSent = false;
        std::uint32_t resultFrames = 0;
        std::uint32_t resultAt = 0;
        bool wantsRematch = false;
        // The seat's ranked player (0: casual).
        RankedPlayer player = 0;
    };
    enum class Phase { Waiting, Playing, Checking };
    std::string code;
    bool listed = false;
    Seat seats[2];
    std::vector<ClientId> spectators;
    Phase phase = Phase::Waiting;
    std::uint32_t matchNumber = 0;
    // The check whose verdict this room waits for.
    std::uint64_t checkTicket = 0;
    // When the match being played started (the server's clock, ms).
    std::uint32_t startedAt = 0;
    Message lastOver;
    MatchStart start;
    // Made by the ranked queue: its first match is rated.
    bool ranked = false;
    std::uint32_t playingSince = 0;
    // The players' names as the match started: every Start of the match and its replay carry
    // these, whatever name a seat is taken back under.
    std::string matchNames[2];
};

// A match handed to the referee: what its verdict needs once the re-play comes back, kept apart
// from the room, which may be gone by then.
struct ServerLobby::PendingCheck {
    std::string code;
    std::uint32_t matchNumber = 0;
    std::string names[2];
    MatchEnd how = MatchEnd::Winner;
    int winner = spectatorSeat;
    std::vector<FrameInput> streams[2];
    std::map<std::uint32_t, std::uint32_t> hashes[2];
    bool ranked = false;
    RankedPlayer players[2] = {0, 0};
    ClientId clients[2] = {0, 0};
};

ServerLobby::ServerLobby(Outbox& out, MatchReferee& referee, ServerLog& log,
                         ServerLobbyOptions options, ReplayFolder* replays,
                         RoomDirectory* directory)
    : out_(out), referee_(referee), log_(log), options_(std::move(options)), replays_(replays),
      directory_(directory) {}

ServerLobby::~ServerLobby() = default;

std::uint64_t ServerLobby::random() {
    return options_.random ? options_.random() : secureRandom64();
}

void ServerLobby::noteTime(std::uint32_t nowMs) {
    // Nothing ran for a while: the server itself stalled, and every client's messages of that
    // while arrive at once. They were sent in time, so each client is given the stall's worth.
    if (called_ && nowMs - lastCall_ > options_.lateCallMs && nowMs - lastCall_ < 0x80000000u) {
        const std::int64_t credit = static_cast<std::int64_t>(nowMs - lastCall_) *
                                    options_.maxMessagesPerSecond;
        for (auto& entry : clients_) {
            Client& client = *entry.second;
            client.allowance += credit;
            client.lastFill = nowMs;
        }
        forgivenAt_ = nowMs;
    }
    called_ = true;
    lastCall_ = nowMs;
}

bool ServerLobby::withinFloodLimit(Client& client, std::uint32_t nowMs) {
    const std::int64_t full = std::int64_t(options_.maxMessagesPerSecond) * 1000;
    const std::uint32_t elapsed = nowMs - client.lastFill;
    client.lastFill = nowMs;
    if (client.allowance < full) {
        client.allowance = std::min(full, client.allowance + std::int64_t(elapsed) *
                                                                 options_.maxMessagesPerSecond);
    } else if (nowMs - forgivenAt_ > 1000) {
        // A stall's credit is for the burst that follows it, not to be kept for later.
        client.allowance = full;
    }
    if (client.allowance < 1000) {
        return false;
    }
    client.allowance -= 1000;
    return true;
}

void ServerLobby::connected(ClientId id, std::uint32_t nowMs) {
    noteTime(nowMs);
    auto client = std::make_unique<Client>();
    client->id = id;
    client->connectedAt = nowMs;
    client->lastFill = nowMs;
    client->allowance = std::int64_t(options_.maxMessagesPerSecond) * 1000;
    clients_[id] = std::move(client);
}

void ServerLobby::send(ClientId client, const Message& m) {
    out_.send(client, encodeMessage(m));
}

void ServerLobby::refuse(ClientId client, RefusalReason reason, const std::string& text) {
    Message m;
    m.type = MessageType::Refused;
    m.reason = static_cast<std::uint8_t>(reason);
    m.text = text.substr(0, 255);
    send(client, m);
    if (reason != RefusalReason::WrongProcess) {
        log_.say(LogLevel::Info, "refused client %llu: %s%s%s",
                 static_cast<unsigned long long>(client), reasonName(reason),
                 text.empty() ? "" : ": ", text.c_str());
    }
}

void ServerLobby::drop(Client& client, RefusalReason reason, const std::string& text,
                       std::uint32_t nowMs) {
    if (client.closing) {
        return;
    }
    refuse(client.id, reason, text);
    out_.close(client.id);
    leaveEverything(client, nowMs);
    client.closing = true;
}

void ServerLobby::received(ClientId id, const std::uint8_t* bytes, std::size_t size,
                           std::uint32_t nowMs) {
    noteTime(nowMs);
    auto found = clients_.find(id);
    if (found == clients_.end() || found->second->closing) {
        return;
    }
    Client& client = *found->second;
    if (!withinFloodLimit(client, nowMs)) {
        drop(client, RefusalReason::Flooding, "", nowMs);
        return;
    }
    Message m;
    std::string why;
    if (!decodeMessage(bytes, size, m, why)) {
        drop(client, RefusalReason::Malformed, why, nowMs);
        return;
    }
    handle(client, m, nowMs);
    forgetHandedOver();
}

void ServerLobby::greet(Client& client, const Message& m) {
    if (m.version != protocolVersion || m.gameVersion != gameVersion()) {
        // What to install, in words a client of any version shows as they are.
        drop(client, RefusalReason::WrongVersion,
             std::string(gameVersion()) + " (online play version " +
                 std::to_string(protocolVersion) + ")",
             client.connectedAt);
        return;
    }
    std::string name;
    if (!normalizePlayerName(m.text, name)) {
        drop(client, RefusalReason::Malformed,
             "a name is 1 to 16 visible characters (no control or invisible ones)",
             client.connectedAt);
        return;
    }
    client.greeted = true;
    client.name = name;
    client.token = random() | 1u;
    Message welcome;
    welcome.type = MessageType::Welcome;
    welcome.version = protocolVersion;
    welcome.number = static_cast<std::uint32_t>(client.id);
    welcome.token = client.token;
    send(client.id, welcome);
    if (directory_ != nullptr) {
        // The other processes, where this client may go if this one dies.
        Message servers;
        servers.type = MessageType::Servers;
        servers.addresses = directory_->processes();
        if (servers.addresses.size() > 1) {
            send(client.id, servers);
        }
    }
}

void ServerLobby::handle(Client& client, const Message& m, std::uint32_t nowMs) {
    if (!client.greeted) {
        if (m.type != MessageType::Hello) {
            drop(client, RefusalReason::Malformed, "the first message must be Hello", nowMs);
            return;
        }
        greet(client, m);
        return;
    }
    Room* room = findRoom(client.room);
    if (room != nullptr && client.seat < 2 && room->seats[client.seat].client == client.id) {
        room->seats[client.seat].lastHeard = nowMs;
    }
    const bool seated = room != nullptr && client.seat < 2;
    switch (m.type) {
    case MessageType::Hello:
        drop(client, RefusalReason::Malformed, "a second Hello", nowMs);
        return;
    case MessageType::ListRooms:
        listRooms(client);
        return;
    case MessageType::CreateRoom:
        createRoom(client, m, nowMs);
        return;
    case MessageType::JoinRoom:
        joinRoom(client, m, nowMs);
        return;
    case MessageType::QuickMatch:
        quickMatch(client, nowMs);
        return;
    case MessageType::Inputs:
        if (!seated || m.seat != client.seat) {
            refuse(client.id, RefusalReason::NotInRoom, "");
            return;
        }
        // Late inputs of a match just ended are harmless.
        if (room->phase == Room::Phase::Playing) {
            acceptInputs(client, *room, m, nowMs);
        }
        return;
    case MessageType::Hash:
        if (seated && room->phase == Room::Phase::Playing) {
            acceptHash(client, *room, m);
        }
        return;
    case MessageType::Result:
        if (seated && room->phase == Room::Phase::Playing) {
            acceptResult(client, *room, m, nowMs);
        }
        return;
    case MessageType::Rematch:
        if (seated) {
            askRematch(client, *room, nowMs);
        }
        return;
    case MessageType::Leave:
        // Leaving the quick-match queue too: a player who gave up waiting is matched with nobody.
        leaveEverything(client, nowMs);
        return;
    case MessageType::Resume:
        resume(client, m, nowMs);
        return;
    case MessageType::Ping: {
        Message pong;
        pong.type = MessageType::Pong;
        pong.number = m.number;
        send(client.id, pong);
        return;
    }
    case MessageType::Pong:
        return;
    case MessageType::Identify:
        identify(client, m);
        return;
    case MessageType::AskStanding:
        askStanding(client);
        return;
    case MessageType::RankedQueue:
        rankedQueue(client, nowMs);
        return;
    default:
        drop(client, RefusalReason::Malformed, "a message only the server sends", nowMs);
        return;
    }
}

void ServerLobby::listRooms(Client& client) {
    Message list;
    list.type = MessageType::RoomList;
    if (directory_ != nullptr) {
        list.rooms = directory_->listedRooms(maxListedRooms);
        send(client.id, list);
        return;
    }
    for (const auto& entry : rooms_) {
        const Room& r = *entry.second;
        if (!r.listed || list.rooms.size() >= maxListedRooms) {
            continue;
        }
        list.rooms.push_back(entryOf(r));
    }
    send(client.id, list);
}

void ServerLobby::createRoom(Client& client, const Message& m, std::uint32_t nowMs) {
    std::string code;
    if (!m.text.empty() && !normalizeRoomCode(m.text, code)) {
        refuse(client.id, RefusalReason::RoomUnknown, "a room code is 4 to 8 letters and digits");
        return;
    }
    leaveEverything(client, nowMs);
    if (code.empty()) {
        code = freshCode();
    } else if (rooms_.count(code) != 0 || !claimCode(code)) {
        refuse(client.id, RefusalReason::RoomFull, code);
        return;
    }
    seat(client, makeRoom(code, m.flag == 1, client), 0, nowMs);
}

void ServerLobby::joinRoom(Client& client, const Message& m, std::uint32_t nowMs) {
    std::string code;
    if (!normalizeRoomCode(m.text, code)) {
        refuse(client.id, RefusalReason::RoomUnknown, "a room code is 4 to 8 letters and digits");
        return;
    }
    leaveEverything(client, nowMs);
    Room* target = findRoom(code);
    if (target == nullptr) {
        if (redirected(client, code, m) || awaitDirectory(client, m, code)) {
            return;
        }
        if ((m.flag & 2) == 0) {
            refuse(client.id, RefusalReason::RoomUnknown, code);
            return;
        }
        if (!claimCode(code)) {
            // Another process made it between the look and the claim.
            if (!redirected(client, code, m)) {
                refuse(client.id, RefusalReason::RoomUnknown, code);
            }
            return;
        }
        target = &makeRoom(code, false, client);
    }
    if ((m.flag & 1) != 0) {
        watch(client, *target);
        return;
    }
    // A seat held for a player whose connection dropped stays theirs: only their resume token
    // takes it back.
    for (int s = 0; s < 2; ++s) {
        if (!target->seats[s].taken) {
            seat(client, *target, s, nowMs);
            return;
        }
    }
    refuse(client.id, RefusalReason::RoomFull, code);
}

void ServerLobby::quickMatch(Client& client, std::uint32_t nowMs) {
    if (std::find(quickQueue_.begin(), quickQueue_.end(), client.id) != quickQueue_.end()) {
        return;
    }
    leaveEverything(client, nowMs);
    if (directory_ != nullptr && quickQueue_.empty()) {
        // Nobody waits here: a player waiting at another process is met there.
        const std::string elsewhere = directory_->waiterElsewhere();
        if (!elsewhere.empty()) {
            Message ask;
            ask.type = MessageType::QuickMatch;
            sendAway(client, elsewhere, ask);
            return;
        }
    }
    quickQueue_.push_back(client.id);
    if (quickQueue_.size() < 2) {
        if (directory_ != nullptr) {
            directory_->addWaiter(client.id);
        }
        return;
    }
    const ClientId a = quickQueue_[0];
    const ClientId b = quickQueue_[1];
    dequeue(a);
    dequeue(b);
    auto first = clients_.find(a);
    auto second = clients_.find(b);
    if (first == clients_.end() || second == clients_.end()) {
        return;
    }
    Room& fresh = makeRoom(freshCode(), false, *first->second);
    seat(*first->second, fresh, 0, nowMs);
    seat(*second->second, fresh, 1, nowMs);
}

void ServerLobby::resume(Client& client, const Message& m, std::uint32_t nowMs) {
    std::string code;
    if (!normalizeRoomCode(m.text, code)) {
        refuse(client.id, RefusalReason::ResumeUnknown, "a room code is 4 to 8 letters and digits");
        return;
    }
    // Out of everything first: a room this client was alone in is gone after it.
    leaveEverything(client, nowMs);
    Room* target = findRoom(code);
    if (target == nullptr) {
        if (!redirected(client, code, m) && !awaitDirectory(client, m, code)) {
            refuse(client.id, RefusalReason::ResumeUnknown, code);
        }
        return;
    }
    // Both seats are compared whatever matches, in constant time.
    int matched = -1;
    for (int s = 0; s < 2; ++s) {
        const Room::Seat& held = target->seats[s];
        const bool same = held.tokenHash.empty()
                              ? sameToken(held.token, m.token)
                              : sameTokenHash(held.tokenHash, seatTokenHash(code, s, m.token));
        if (same && held.taken && m.token != 0) {
            matched = s;
        }
    }
    if (matched >= 0) {
        // The old connection, if the server has not seen it drop yet, is let go.
        const ClientId old = target->seats[matched].client;
        if (old != 0 && old != client.id) {
            auto oldClient = clients_.find(old);
            if (oldClient != clients_.end()) {
                oldClient->second->room.clear();
                oldClient->second->seat = spectatorSeat;
                oldClient->second->closing = true;
            }
            out_.close(old);
        }
        client.token = m.token;
        target->seats[matched].tokenHash.clear();
        seat(client, *target, matched, nowMs);
        return;
    }
    // No seat's token: a spectator coming back (it has no seat to take back), or a guess.
    if (++client.wrongTokens > options_.maxWrongTokens) {
        drop(client, RefusalReason::ResumeUnknown, "too many resumes with a wrong token", nowMs);
        return;
    }
    if (target->spectators.size() >= options_.maxSpectators) {
        refuse(client.id, RefusalReason::RoomFull, code);
        return;
    }
    watch(client, *target);
    // It hears the end of a match that ended while it was away.
    if (target->phase == Room::Phase::Waiting && target->lastOver.type == MessageType::MatchOver) {
        send(client.id, target->lastOver);
    }
}

ServerLobby::Room* ServerLobby::findRoom(const std::string& code) {
    if (code.empty()) {
        return nullptr;
    }
    auto found = rooms_.find(code);
    return found != rooms_.end() ? found->second.get() : nullptr;
}

ServerLobby::Room& ServerLobby::makeRoom(const std::string& code, bool listed,
                                         const Client& maker) {
    auto room = std::make_unique<Room>();
    room->code = code;
    room->listed = listed;
    Room& made = *room;
    rooms_[code] = std::move(room);
    log_.say(LogLevel::Info, "room %s made by %s (client %llu)%s", code.c_str(),
             maker.name.c_str(), static_cast<unsigned long long>(maker.id),
             listed ? ", listed" : "");
    return made;
}

std::string ServerLobby::freshCode() {
    // No 0/O or 1/I: codes are read aloud and typed.
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    for (;;) {
        std::string code;
        for (int i = 0; i < 5; ++i) {
            code += letters[random() % (sizeof letters - 1)];
        }
        if (rooms_.count(code) == 0 && claimCode(code)) {
            return code;
        }
    }
}

bool ServerLobby::claimCode(const std::string& code) {
    // A code being taken over is not free, whatever the directory says of it.
    return directory_ == nullptr || (adopting_.count(code) == 0 && directory_->claim(code));
}

bool ServerLobby::redirected(Client& client, const std::string& code, const Message& request) {
    std::string address;
    if (directory_ == nullptr || !directory_->ownerOf(code, address)) {
        return false;
    }
    if (handOver(client, address, request)) {
        return true;
    }
    if (directory_->keepsJournal()) {
        // Another process's: whether it still lives, or its room is to be taken over here, is
        // the directory's to answer (awaitDirectory).
        return false;
    }
    refuse(client.id, RefusalReason::WrongProcess, address);
    return true;
}

void ServerLobby::sendAway(Client& client, const std::string& address, const Message& request) {
    if (!handOver(client, address, request)) {
        refuse(client.id, RefusalReason::WrongProcess, address);
    }
}

bool ServerLobby::handOver(Client& client, const std::string& address, const Message& request) {
    CarriedClient carried;
    carried.name = client.name;
    carried.token = client.token;
    carried.wrongTokens = client.wrongTokens;
    carried.allowance = client.allowance;
    carried.player = client.player;
    if (!out_.handOver(client.id, address, carried, encodeMessage(request))) {
        return false;
    }
    // Another event loop of this process has it now: it is forgotten here once the call that
    // sent it away returns (nothing it sent on is this lobby's any more).
    client.closing = true;
    handedOver_.push_back(client.id);
    return true;
}

void ServerLobby::forgetHandedOver() {
    for (ClientId id : handedOver_) {
        clients_.erase(id);
    }
    handedOver_.clear();
}

void ServerLobby::adopt(ClientId id, const CarriedClient& carried, std::uint32_t nowMs) {
    noteTime(nowMs);
    auto client = std::make_unique<Client>();
    client->id = id;
    client->greeted = true;
    client->name = carried.name;
    client->token = carried.token;
    client->wrongTokens = carried.wrongTokens;
    client->allowance = carried.allowance;
    client->player = carried.player;
    client->connectedAt = nowMs;
    client->lastFill = nowMs;
    clients_[id] = std::move(client);
}

// A room as the public list shows it.
RoomEntry ServerLobby::entryOf(const Room& room) {
    RoomEntry e;
    e.code = room.code;
    e.names[0] = room.seats[0].name;
    e.names[1] = room.seats[1].name;
    e.spectators = static_cast<std::uint16_t>(std::min<std::size_t>(room.spectators.size(), 65535));
    e.playing = room.phase == Room::Phase::Playing ? 1 : 0;
    return e;
}

void ServerLobby::publish(const Room& room) {
    if (directory_ == nullptr) {
        return;
    }
    directory_->publish(entryOf(room), room.listed);
}

void ServerLobby::eraseRoom(RoomMap::iterator room) {
    if (directory_ != nullptr) {
        directory_->release(room->first);
    }
    rooms_.erase(room);
}

void ServerLobby::dequeue(ClientId id) {
    leaveRankedQueue(id);
    auto it = std::find(quickQueue_.begin(), quickQueue_.end(), id);
    if (it == quickQueue_.end()) {
        return;
    }
    quickQueue_.erase(it);
    if (directory_ != nullptr) {
        directory_->removeWaiter(id);
    }
}

void ServerLobby::leaveEverything(Client& client, std::uint32_t nowMs) {
    client.awaiting = Client::Awaiting();
    dequeue(client.id);
    leaveRoom(client, nowMs);
}

void ServerLobby::matchWaiters() {
    // Two processes whose players wait alone at the same time: the one with the greater
    // address sends its player to the other (never both, so nobody is sent back and forth).
    if (quickQueue_.size() != 1) {
        return;
    }
    const std::string elsewhere = directory_->waiterElsewhere();
    if (elsewhere.empty() || !(elsewhere < directory_->address())) {
        return;
    }
    const ClientId waiter = quickQueue_[0];
    dequeue(waiter);
    auto found = clients_.find(waiter);
    if (found != clients_.end()) {
        Message ask;
        ask.type = MessageType::QuickMatch;
        sendAway(*found->second, elsewhere, ask);
    }
}

void ServerLobby::seat(Client& client, Room& room, int s, std::uint32_t nowMs) {
    Room::Seat& seat = room.seats[s];
    // A seat taken back by its token stays its ranked player's (the new connection may not
    // have identified yet).
    if (!seat.taken || seat.token != client.token) {
        seat.player = client.player;
    }
    seat.taken = true;
    seat.name = client.name;
    seat.client = client.id;
    seat.token = client.token;
    seat.lastHeard = nowMs;
    client.room = room.code;
    client.seat = s;
    announce(room);
    if (room.phase == Room::Phase::Playing) {
        sendMatchSoFar(room, client.id);
    } else if (room.matchNumber == 0 && room.seats[0].client != 0 && room.seats[1].client != 0) {
        startMatch(room, nowMs);
    }
}

void ServerLobby::watch(Client& client, Room& room) {
    if (room.spectators.size() >= options_.maxSpectators) {
        refuse(client.id, RefusalReason::RoomFull, room.code);
        return;
    }
    client.room = room.code;
    client.seat = spectatorSeat;
    room.spectators.push_back(client.id);
    announce(room);
    if (room.phase == Room::Phase::Playing) {
        sendMatchSoFar(room, client.id);
    }
}

void ServerLobby::announce(Room& room) {
    Message joined;
    joined.type = MessageType::Joined;
    joined.text = room.code;
    joined.names[0] = room.seats[0].name;
    joined.names[1] = room.seats[1].name;
    for (int s = 0; s < 2; ++s) {
        if (room.seats[s].client != 0) {
            joined.seat = static_cast<std::uint8_t>(s);
            send(room.seats[s].client, joined);
        }
    }
    joined.seat = spectatorSeat;
    const std::vector<std::uint8_t> bytes = encodeMessage(joined);
    for (ClientId watcher : room.spectators) {
        out_.send(watcher, bytes);
    }
    publish(room);
}

void ServerLobby::sendToRoom(Room& room, const Message& m) {
    const std::vector<std::uint8_t> bytes = encodeMessage(m);
    for (const Room::Seat& seat : room.seats) {
        if (seat.client != 0) {
            out_.send(seat.client, bytes);
        }
    }
    for (ClientId watcher : room.spectators) {
        out_.send(watcher, bytes);
    }
}

void ServerLobby::startMatch(Room& room, std::uint32_t nowMs) {
    // A fresh seed from the server's own entropy for every match, a rematch's too.
    const std::uint32_t seed = static_cast<std::uint32_t>(random());
    room.start = referee_.makeStart(seed);
    room.phase = Room::Phase::Playing;
    room.playingSince = nowMs;
    ++room.matchNumber;
    room.matchNames[0] = room.seats[0].name;
    room.matchNames[1] = room.seats[1].name;
    room.startedAt = nowMs;
    for (Room::Seat& seat : room.seats) {
        seat.stream.clear();
        seat.hashes.clear();
        seat.resultSent = false;
        seat.wantsRematch = false;
        seat.lastHeard = nowMs;
    }
    journalStart(room);
    log_.say(LogLevel::Info, "match %s #%u started: %s against %s", room.code.c_str(),
             static_cast<unsigned>(room.matchNumber), room.seats[0].name.c_str(),
             room.seats[1].name.c_str());
    for (const Room::Seat& seat : room.seats) {
        if (seat.client != 0) {
            sendMatchSoFar(room, seat.client);
        }
    }
    for (ClientId watcher : room.spectators) {
        sendMatchSoFar(room, watcher);
    }
    publish(room);
}

void ServerLobby::sendMatchSoFar(Room& room, ClientId id) {
    auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& client = *found->second;
    Message start;
    start.type = MessageType::Start;
    start.number = room.matchNumber;
    start.names[0] = room.matchNames[0];
    start.names[1] = room.matchNames[1];
    start.seat = static_cast<std::uint8_t>(client.seat);
    start.held[0] = static_cast<std::uint32_t>(room.seats[0].stream.size());
    start.held[1] = static_cast<std::uint32_t>(room.seats[1].stream.size());
    start.clock = matchClock(room, lastCall_);
    start.lead = options_.maxLeadFrames;
    start.start = room.start;
    send(id, start);
    // Both streams from their first frame: a player coming back on a page loaded again has
    // nothing of its own seat's either.
    for (int s = 0; s < 2; ++s) {
        client.given[s] = 0;
        sendFrames(room, client, s);
    }
}

std::uint32_t ServerLobby::framesHeld(const Room& room) const {
    return static_cast<std::uint32_t>(
        std::min(room.seats[0].stream.size(), room.seats[1].stream.size()));
}

std::uint32_t ServerLobby::matchClock(const Room& room, std::uint32_t nowMs) const {
    return static_cast<std::uint32_t>(std::uint64_t(nowMs - room.startedAt) * 60u / 1000u);
}

void ServerLobby::sendFrames(Room& room, Client& to, int seat) {
    const std::vector<FrameInput>& stream = room.seats[seat].stream;
    const auto held = static_cast<std::uint32_t>(stream.size());
    const auto other = static_cast<std::uint32_t>(room.seats[1 - seat].stream.size());
    std::uint32_t from = to.given[seat];
    while (from < held) {
        Message m;
        from = writeStream(stream, seat, from, held, true, m);
        m.held[1 - seat] = other;
        send(to.id, m);
    }
    to.given[seat] = held;
    if (to.seat == 1 - seat) {
        // The other seat's count tells the player how far the server holds its own frames.
        to.given[1 - seat] = other;
    }
}

void ServerLobby::relay(Room& room, int seat, std::uint32_t was) {
    const std::vector<FrameInput>& stream = room.seats[seat].stream;
    const auto held = static_cast<std::uint32_t>(stream.size());
    const auto other = static_cast<std::uint32_t>(room.seats[1 - seat].stream.size());
    // The new frames in one message, the same bytes for everyone who had the ones before.
    std::vector<std::uint8_t> fresh;
    auto bringUp = [&](ClientId id) {
        auto found = clients_.find(id);
        if (found == clients_.end()) {
            return;
        }
        Client& to = *found->second;
        if (to.given[seat] != was) {
            sendFrames(room, to, seat);
            return;
        }
        if (fresh.empty()) {
            Message m;
            if (writeStream(stream, seat, was, held, true, m) < held) {
                // More runs than one message holds: each client is sent its own.
                sendFrames(room, to, seat);
                return;
            }
            m.held[1 - seat] = other;
            fresh = encodeMessage(m);
        }
        out_.send(id, fresh);
        to.given[seat] = held;
        if (to.seat == 1 - seat) {
            to.given[1 - seat] = other;
        }
    };
    bringUp(room.seats[1 - seat].client);
    for (ClientId watcher : room.spectators) {
        bringUp(watcher);
    }
    // The sender's own frames are its own; it is told how far the server holds them with the
    // other seat's, or now when the count it has would hold its game back (it plays a frame
    // once both seats' inputs for it are held).
    auto sender = clients_.find(room.seats[seat].client);
    if (sender != clients_.end()) {
        Client& player = *sender->second;
        if (player.given[seat] < std::min(held, other)) {
            Message told;
            writeStream(room.seats[1 - seat].stream, 1 - seat, other, other, true, told);
            told.held[seat] = held;
            send(player.id, told);
            player.given[seat] = held;
        }
    }
}

void ServerLobby::acceptInputs(Client& client, Room& room, const Message& m,
                               std::uint32_t nowMs) {
    std::vector<FrameInput>& stream = room.seats[client.seat].stream;
    const auto was = static_cast<std::uint32_t>(stream.size());
    const std::uint32_t reach = m.held[client.seat];
    if (reach <= was) {
        return;
    }
    if (reach > std::uint64_t(matchClock(room, nowMs)) + options_.maxLeadFrames) {
        drop(client, RefusalReason::Flooding, "inputs ahead of the match's clock", nowMs);
        return;
    }
    // Frames past the longest match are not kept: the match ends there.
    extendStream(stream, m, options_.maxMatchFrames);
    if (stream.size() > was) {
        relay(room, client.seat, was);
        journalFrames(room, client.seat, was);
    }
    if (reach > options_.maxMatchFrames) {
        endMatch(room, MatchEnd::TooLong, spectatorSeat, framesHeld(room));
    } else if (resultsIn(room)) {
        // The frames a Result waited for (sent again after a takeover) are in.
        finishWithResults(room);
    }
}

void ServerLobby::acceptHash(Client& client, Room& room, const Message& m) {
    if (m.number > options_.maxMatchFrames) {
        return;
    }
    auto& mine = room.seats[client.seat].hashes;
    if (mine.count(m.number) != 0) {
        return;
    }
    mine[m.number] = m.hash;
    const auto& theirs = room.seats[1 - client.seat].hashes;
    auto other = theirs.find(m.number);
    if (other == theirs.end() || other->second == m.hash) {
        return;
    }
    // The games parted (or one player says so falsely): the server's own re-play says whose.
    endMatch(room, MatchEnd::Diverged, spectatorSeat, std::min(m.number, framesHeld(room)));
}

void ServerLobby::acceptResult(Client& client, Room& room, const Message& m,
                               std::uint32_t nowMs) {
    Room::Seat& s = room.seats[client.seat];
    if (!s.resultSent) {
        s.resultSent = true;
        s.resultFrames = m.number;
        s.resultAt = nowMs;
    }
    if (resultsIn(room)) {
        finishWithResults(room);
    }
}

bool ServerLobby::rematchDue(const Room& room) const {
    return room.phase == Room::Phase::Waiting && room.matchNumber != 0 &&
           room.seats[0].wantsRematch && room.seats[1].wantsRematch &&
           room.seats[0].client != 0 && room.seats[1].client != 0;
}

void ServerLobby::askRematch(Client& client, Room& room, std::uint32_t nowMs) {
    // Asked while the last match is being checked: it waits for the verdict.
    if (room.phase == Room::Phase::Playing || room.matchNumber == 0) {
        return;
    }
    const bool askedBefore = room.seats[client.seat].wantsRematch;
    room.seats[client.seat].wantsRematch = true;
    if (rematchDue(room)) {
        startMatch(room, nowMs);
        return;
    }
    // The other player hears of the ask, once (a client that does not know this ignores it).
    const ClientId other = room.seats[1 - client.seat].client;
    if (!askedBefore && other != 0) {
        Message asked;
        asked.type = MessageType::Rematch;
        send(other, asked);
    }
}

void ServerLobby::finishWithResults(Room& room) {
    std::uint32_t frames = 0;
    for (const Room::Seat& seat : room.seats) {
        if (seat.resultSent && seat.resultFrames > frames) {
            frames = seat.resultFrames;
        }
    }
    endMatch(room, MatchEnd::Winner, spectatorSeat, std::min(frames, framesHeld(room)));
}

void ServerLobby::endMatch(Room& room, MatchEnd how, int winner, std::uint32_t frames) {
    if (room.phase != Room::Phase::Playing) {
        return;
    }
    room.phase = Room::Phase::Checking;
    room.checkTicket = ++lastTicket_;
    publish(room);
    auto check = std::make_unique<PendingCheck>();
    check->code = room.code;
    check->matchNumber = room.matchNumber;
    check->how = how;
    check->winner = winner;
    check->ranked = room.ranked;
    for (int s = 0; s < 2; ++s) {
        check->players[s] = room.seats[s].player;
        check->clients[s] = room.seats[s].client;
    }
    MatchToCheck match;
    match.start = room.start;
    match.frames = frames;
    for (int s = 0; s < 2; ++s) {
        check->names[s] = room.matchNames[s];
        check->hashes[s] = std::move(room.seats[s].hashes);
        room.seats[s].hashes.clear();
        match.streams[s] = room.seats[s].stream;
        check->streams[s] = std::move(room.seats[s].stream);
        room.seats[s].stream.clear();
    }
    const std::uint64_t ticket = room.checkTicket;
    pending_[ticket] = std::move(check);
    referee_.check(std::move(match), [this, ticket](Replay replay) {
        matchChecked(ticket, std::move(replay));
    });
}

void ServerLobby::matchChecked(std::uint64_t ticket, Replay replay) {
    auto found = pending_.find(ticket);
    if (found == pending_.end()) {
        return;
    }
    const std::unique_ptr<PendingCheck> check = std::move(found->second);
    pending_.erase(found);
    const std::uint32_t played = static_cast<std::uint32_t>(replay.inputs.size());

    // Every hash a player sent for a frame the server played is checked against its own.
    bool parted[2] = {false, false};
    std::uint32_t partedAt[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
        for (const auto& sent : check->hashes[s]) {
            std::uint32_t expected = 0;
            if (replayHashAt(replay, sent.first, expected) && expected != sent.second) {
                parted[s] = true;
                partedAt[s] = sent.first;
                break;
            }
        }
    }
    MatchEnd how = check->how;
    int winner = check->winner;
    if (replay.result == ReplayResult::FirstWon || replay.result == ReplayResult::SecondWon) {
        // The match was won within the frames played, however it came to an end.
        how = MatchEnd::Winner;
        winner = replay.result == ReplayResult::FirstWon ? 0 : 1;
    } else if (replay.result == ReplayResult::Left && played > 0 &&
               played <= check->streams[0].size() && played <= check->streams[1].size()) {
        // ESC is in the stream: whoever pressed it left, the other wins.
        const bool firstLeft = (check->streams[0][played - 1].keys & escKey) != 0;
        const bool secondLeft = (check->streams[1][played - 1].keys & escKey) != 0;
        how = MatchEnd::Left;
        winner = firstLeft == secondLeft ? spectatorSeat : firstLeft ? 1 : 0;
    } else if (how == MatchEnd::Diverged) {
        // The player whose hashes the re-play disagrees with parted from the match, and loses it.
        winner = parted[0] == parted[1] ? spectatorSeat : parted[0] ? 1 : 0;
    } else if (how == MatchEnd::Winner || how == MatchEnd::TooLong) {
        winner = spectatorSeat;
    }

    // The replay is saved whatever became of the room, naming the players and the verdict as
    // every client's copy does.
    recordPlayers(replay, check->names[0], check->names[1]);
    recordVerdict(replay, static_cast<std::uint8_t>(how), static_cast<std::uint8_t>(winner));
    std::string saved;
    if (records_ != nullptr) {
        recordMatch(*check, how, winner, played, replay);
    } else if (replays_ != nullptr) {
        std::string error;
        if (!replays_->save(check->code, check->matchNumber, encodeReplay(replay), saved, error)) {
            log_.say(LogLevel::Error, "the replay of match %s #%u was not saved: %s",
                     check->code.c_str(), static_cast<unsigned>(check->matchNumber),
                     error.c_str());
            saved.clear();
        }
    }
    ++finished_;
    log_.say(LogLevel::Info, "match %s #%u over after %u frames: %s, winner %s%s%s%s%s",
             check->code.c_str(), static_cast<unsigned>(check->matchNumber),
             static_cast<unsigned>(played), endName(how),
             winner < 2 ? check->names[winner].c_str() : "none",
             parted[0] ? ", 1P's game parted" : "", parted[1] ? ", 2P's game parted" : "",
             saved.empty() ? "" : ", saved as ", saved.c_str());

    Room* room = findRoom(check->code);
    if (room == nullptr || room->checkTicket != ticket || room->phase != Room::Phase::Checking) {
        return;
    }
    for (int s = 0; s < 2; ++s) {
        if (parted[s]) {
            Message diverged;
            diverged.type = MessageType::Diverged;
            diverged.number = partedAt[s];
            diverged.seat = static_cast<std::uint8_t>(s);
            sendToRoom(*room, diverged);
        }
    }
    Message over;
    over.type = MessageType::MatchOver;
    over.reason = static_cast<std::uint8_t>(how);
    over.seat = static_cast<std::uint8_t>(winner);
    over.number = played;
    sendToRoom(*room, over);
    room->lastOver = over;
    room->phase = Room::Phase::Waiting;
    publish(*room);
    if (directory_ != nullptr) {
        directory_->journalEnd(room->code);
    }
    if (rematchDue(*room)) {
        startMatch(*room, lastCall_);
    }
}

void ServerLobby::leaveRoom(Client& client, std::uint32_t nowMs) {
    auto found = rooms_.find(client.room);
    const int seatLeft = client.seat;
    client.room.clear();
    client.seat = spectatorSeat;
    if (found == rooms_.end()) {
        return;
    }
    Room& room = *found->second;
    if (seatLeft < 2) {
        Room::Seat& seat = room.seats[seatLeft];
        if (seat.client != client.id) {
            // The seat was taken back by a resume meanwhile: it is no longer this client's.
            return;
        }
        if (room.phase == Room::Phase::Playing) {
            endMatch(room, MatchEnd::Left, 1 - seatLeft, framesHeld(room));
        }
        seat = Room::Seat();
    } else {
        auto& watchers = room.spectators;
        watchers.erase(std::remove(watchers.begin(), watchers.end(), client.id), watchers.end());
    }
    if (!room.seats[0].taken && !room.seats[1].taken && room.spectators.empty()) {
        eraseRoom(found);
        return;
    }
    announce(room);
}

void ServerLobby::disconnected(ClientId id, std::uint32_t nowMs) {
    noteTime(nowMs);
    auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& client = *found->second;
    dequeue(id);
    Room* room = findRoom(client.room);
    if (room != nullptr && client.seat < 2 && room->phase == Room::Phase::Playing &&
        room->seats[client.seat].client == id) {
        // A player in a match keeps the seat: the connection may come back with its resume
        // token until the stall timeout.
        room->seats[client.seat].client = 0;
    } else {
        leaveRoom(client, nowMs);
    }
    clients_.erase(found);
}

void ServerLobby::tick(std::uint32_t nowMs) {
    noteTime(nowMs);
    pairRanked(nowMs);
    if (directory_ != nullptr) {
        directory_->tick(nowMs);
        answerAdoptions(nowMs);
        dropLostRooms();
        if (nowMs - lastWaiterCheck_ >= 1000) {
            lastWaiterCheck_ = nowMs;
            matchWaiters();
        }
        // Waiters, and players whose taken-over room another loop holds, handed over above.
        forgetHandedOver();
    }
    // Connections that never said who they are.
    for (auto& entry : clients_) {
        Client& client = *entry.second;
        if (!client.greeted && !client.closing &&
            nowMs - client.connectedAt > options_.helloTimeoutMs) {
            drop(client, RefusalReason::Malformed, "no Hello in time", nowMs);
        }
    }
    for (auto& entry : rooms_) {
        Room& room = *entry.second;
        if (room.phase != Room::Phase::Playing) {
            continue;
        }
        bool gone[2];
        for (int s = 0; s < 2; ++s) {
            gone[s] = nowMs - room.seats[s].lastHeard > options_.stallMs;
        }
        const Room::Seat* reported = room.seats[0].resultSent   ? &room.seats[0]
                                     : room.seats[1].resultSent ? &room.seats[1]
                                                                : nullptr;
        if (reported != nullptr && nowMs - reported->resultAt > options_.stallMs) {
            // One player's match ended and the other never said so.
            finishWithResults(room);
        } else if (gone[0] || gone[1]) {
            const int winner = gone[0] == gone[1] ? spectatorSeat : gone[0] ? 1 : 0;
            endMatch(room, MatchEnd::Gone, winner, framesHeld(room));
        }
    }
    // Rooms whose seats are held by nobody connected, after their match, are let go (a check
    // under way still saves its replay).
    for (auto it = rooms_.begin(); it != rooms_.end();) {
        Room& room = *it->second;
        const bool empty =
            room.seats[0].client == 0 && room.seats[1].client == 0 && room.spectators.empty();
        if (room.phase != Room::Phase::Playing && empty) {
            auto gone = it++;
            eraseRoom(gone);
        } else {
            ++it;
        }
    }
}

// ---- Ranked play: who a key is, the ranked queue, and every match kept with its verdict ----

namespace {

std::uint16_t wholePoints(double rating) {
    return static_cast<std::uint16_t>(std::max(0.0, std::min(65535.0, rating + 0.5)));
}

std::string keyHex(const std::uint8_t (&key)[playerKeyBytes]) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : key) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

} // namespace

// What a record's answer needs once the check that asked for it is gone.
struct ServerLobby::RecordTicket {
    std::string code;
    std::uint32_t matchNumber = 0;
    bool ranked = false;
    RatedOutcome outcome = RatedOutcome::Rated;
    RankedPlayer players[2] = {0, 0};
    ClientId clients[2] = {0, 0};
};

void ServerLobby::identify(Client& client, const Message& m) {
    // One key a connection: a client identifies once, after its Welcome.
    if (client.identifying || client.player != 0) {
        drop(client, RefusalReason::Malformed, "a second Identify", lastCall_);
        return;
    }
    if (records_ == nullptr) {
        refuse(client.id, RefusalReason::RankedRefused, rankedRefusal::notHere);
        return;
    }
    const std::string hex = keyHex(m.ranked.key);
    if (hex.find_first_not_of('0') == std::string::npos) {
        refuse(client.id, RefusalReason::RankedRefused, rankedRefusal::noKey);
        return;
    }
    client.identifying = true;
    const ClientId id = client.id;
    records_->claim(hex, client.name, [this, id](PlayerClaim claim) { identified(id, claim); });
}

void ServerLobby::identified(ClientId id, const PlayerClaim& claim) {
    auto found = clients_.find(id);
    if (found == clients_.end() || found->second->closing) {
        return;
    }
    Client& client = *found->second;
    client.identifying = false;
    const bool wantsRanked = client.wantsRanked;
    client.wantsRanked = false;
    switch (claim.outcome) {
    case PlayerClaim::Outcome::Claimed: {
        client.player = claim.player;
        Message standing;
        standing.type = MessageType::Standing;
        standing.ranked.standing = claim.standing;
        send(id, standing);
        // A seat taken while the key was being looked up is the player's too.
        Room* room = findRoom(client.room);
        if (room != nullptr && client.seat < 2 && room->seats[client.seat].client == id &&
            room->seats[client.seat].player == 0) {
            room->seats[client.seat].player = client.player;
        }
        if (wantsRanked) {
            rankedQueue(client, lastCall_);
        }
        return;
    }
    case PlayerClaim::Outcome::Taken:
        refuse(id, RefusalReason::NameTaken, client.name);
        return;
    case PlayerClaim::Outcome::Failed:
        refuse(id, RefusalReason::RankedRefused, rankedRefusal::storeFailed);
        return;
    }
}

void ServerLobby::askStanding(Client& client) {
    if (client.player == 0) {
        refuse(client.id, RefusalReason::RankedRefused,
               records_ == nullptr ? rankedRefusal::notHere : rankedRefusal::noKey);
        return;
    }
    // One at a time: asking again while the answer is on its way costs nothing more.
    if (client.askingStanding) {
        return;
    }
    client.askingStanding = true;
    sendStanding(client.id, client.player);
}

void ServerLobby::sendStanding(ClientId id, RankedPlayer player) {
    records_->standing(player, [this, id](bool ok, net::RankedStanding standing) {
        auto found = clients_.find(id);
        if (found == clients_.end() || found->second->closing) {
            return;
        }
        found->second->askingStanding = false;
        if (!ok) {
            refuse(id, RefusalReason::RankedRefused, rankedRefusal::storeFailed);
            return;
        }
        Message m;
        m.type = MessageType::Standing;
        m.ranked.standing = std::move(standing);
        send(id, m);
    });
}

bool ServerLobby::rankedBusy(RankedPlayer player) const {
    for (const RankedWaiter& waiter : rankedWaiters_) {
        if (waiter.player == player) {
            return true;
        }
    }
    for (const auto& asking : rankedAsking_) {
        if (asking.second == player) {
            return true;
        }
    }
    for (const auto& entry : rooms_) {
        const Room& room = *entry.second;
        if (!room.ranked || room.phase != Room::Phase::Playing) {
            continue;
        }
        for (const Room::Seat& seat : room.seats) {
            if (seat.taken && seat.player == player) {
                return true;
            }
        }
    }
    return false;
}

void ServerLobby::rankedQueue(Client& client, std::uint32_t nowMs) {
    if (records_ == nullptr) {
        refuse(client.id, RefusalReason::RankedRefused, rankedRefusal::notHere);
        return;
    }
    if (client.identifying) {
        // Asked right after the Identify: carried out once the key is known.
        client.wantsRanked = true;
        return;
    }
    if (client.player == 0) {
        refuse(client.id, RefusalReason::RankedRefused, rankedRefusal::noKey);
        return;
    }
    // The ranked queue is one loop's (the first), so that everyone waiting can meet.
    const std::string queueLoop = directory_ != nullptr ? directory_->rankedLoop() : std::string();
    if (!queueLoop.empty()) {
        leaveEverything(client, nowMs);
        Message ask;
        ask.type = MessageType::RankedQueue;
        if (handOver(client, queueLoop, ask)) {
            return;
        }
    }
    const bool waiting = rankedAsking_.count(client.id) != 0 ||
                         std::any_of(rankedWaiters_.begin(), rankedWaiters_.end(),
                                     [&](const RankedWaiter& w) { return w.client == client.id; });
    if (waiting) {
        return;
    }
    // A key never plays itself: not twice in the queue, nor in the queue while it plays.
    if (rankedBusy(client.player)) {
        refuse(client.id, RefusalReason::RankedRefused, rankedRefusal::sameKey);
        return;
    }
    leaveEverything(client, nowMs);
    rankedAsking_[client.id] = client.player;
    const ClientId id = client.id;
    records_->rating(client.player,
                     [this, id](bool ok, double rating) { rankedRating(id, ok, rating); });
}

void ServerLobby::rankedRating(ClientId id, bool ok, double rating) {
    auto asked = rankedAsking_.find(id);
    if (asked == rankedAsking_.end()) {
        // Left the queue (or the server) meanwhile.
        return;
    }
    const RankedPlayer player = asked->second;
    rankedAsking_.erase(asked);
    auto found = clients_.find(id);
    if (found == clients_.end() || found->second->closing) {
        return;
    }
    if (!ok) {
        refuse(id, RefusalReason::RankedRefused, rankedRefusal::storeFailed);
        return;
    }
    log_.say(LogLevel::Info, "ranked queue: %s waits (rating %.0f)",
             found->second->name.c_str(), rating);
    rankedWaiters_.push_back(RankedWaiter{id, player, rating, lastCall_});
    rankedWindows_[id] = rankedWindow(0);
    Message waiting;
    waiting.type = MessageType::RankedWaiting;
    waiting.number = rankedWindow(0);
    send(id, waiting);
    pairRanked(lastCall_);
}

void ServerLobby::leaveRankedQueue(ClientId id) {
    rankedAsking_.erase(id);
    rankedWindows_.erase(id);
    rankedWaiters_.erase(std::remove_if(rankedWaiters_.begin(), rankedWaiters_.end(),
                                        [id](const RankedWaiter& w) { return w.client == id; }),
                         rankedWaiters_.end());
}

void ServerLobby::pairRanked(std::uint32_t nowMs) {
    if (rankedWaiters_.empty()) {
        return;
    }
    for (const auto& pair : pairRankedWaiters(rankedWaiters_, nowMs)) {
        rankedWindows_.erase(pair.first.client);
        rankedWindows_.erase(pair.second.client);
        auto first = clients_.find(pair.first.client);
        auto second = clients_.find(pair.second.client);
        if (first == clients_.end() || second == clients_.end()) {
            continue;
        }
        log_.say(LogLevel::Info, "ranked pair: %s (%.0f) against %s (%.0f)",
                 first->second->name.c_str(), pair.first.rating, second->second->name.c_str(),
                 pair.second.rating);
        Room& fresh = makeRoom(freshCode(), false, *first->second);
        fresh.ranked = true;
        seat(*first->second, fresh, 0, nowMs);
        seat(*second->second, fresh, 1, nowMs);
    }
    // Those still waiting hear of their window as it widens.
    for (const RankedWaiter& waiter : rankedWaiters_) {
        const std::uint32_t window = rankedWindow(nowMs - waiter.sinceMs);
        std::uint32_t& told = rankedWindows_[waiter.client];
        if (window != told) {
            told = window;
            Message waiting;
            waiting.type = MessageType::RankedWaiting;
            waiting.number = std::min<std::uint32_t>(window, 0xFFFF);
            send(waiter.client, waiting);
        }
    }
}

void ServerLobby::recordMatch(const PendingCheck& check, MatchEnd how, int winner,
                              std::uint32_t frames, const Replay& replay) {
    MatchRecord record;
    for (int s = 0; s < 2; ++s) {
        record.seats[s].player = check.players[s];
        record.seats[s].name = check.names[s];
    }
    record.how = how;
    record.winner = winner;
    record.frames = frames;
    record.room = check.code;
    record.matchNumber = check.matchNumber;
    RecordTicket ticket;
    ticket.code = check.code;
    ticket.matchNumber = check.matchNumber;
    ticket.ranked = check.ranked;
    for (int s = 0; s < 2; ++s) {
        ticket.players[s] = check.players[s];
        ticket.clients[s] = check.clients[s];
    }
    if (check.ranked) {
        ticket.outcome = rankedOutcome(how, winner, frames, check.matchNumber);
        record.rated = ticket.outcome == RatedOutcome::Rated;
    }
    records_->record(std::move(record), encodeReplay(replay),
                     [this, ticket](RecordOutcome result) { recorded(ticket, result); });
}

void ServerLobby::recorded(const RecordTicket& ticket, const RecordOutcome& result) {
    if (result.saved) {
        log_.say(LogLevel::Info, "match %s #%u kept as match %lld%s%s%s", ticket.code.c_str(),
                 static_cast<unsigned>(ticket.matchNumber), static_cast<long long>(result.id),
                 result.rated ? ", rated" : "", result.replayFile.empty() ? "" : ", replay ",
                 result.replayFile.c_str());
    } else {
        log_.say(LogLevel::Error, "match %s #%u was not kept: %s", ticket.code.c_str(),
                 static_cast<unsigned>(ticket.matchNumber), result.error.c_str());
    }
    if (!ticket.ranked) {
        return;
    }
    Message rated;
    rated.type = MessageType::Rated;
    rated.number = ticket.matchNumber;
    RatedOutcome outcome = ticket.outcome;
    if (outcome == RatedOutcome::Rated && !result.rated) {
        outcome = RatedOutcome::NotSaved;
    }
    rated.reason = static_cast<std::uint8_t>(outcome);
    if (outcome == RatedOutcome::Rated) {
        for (int s = 0; s < 2; ++s) {
            rated.ranked.before[s] = wholePoints(result.before[s]);
            rated.ranked.after[s] = wholePoints(result.after[s]);
        }
    }
    // Each player hears it wherever they are now (the room may be gone), and a rated match
    // brings their new standing.
    for (int s = 0; s < 2; ++s) {
        auto found = clients_.find(ticket.clients[s]);
        if (ticket.clients[s] == 0 || found == clients_.end() || found->second->closing) {
            continue;
        }
        rated.seat = static_cast<std::uint8_t>(s);
        send(ticket.clients[s], rated);
        if (outcome == RatedOutcome::Rated && found->second->player == ticket.players[s] &&
            !found->second->askingStanding) {
            found->second->askingStanding = true;
            sendStanding(ticket.clients[s], ticket.players[s]);
        }
    }
}

std::vector<ServerLobby::LiveRoom> ServerLobby::liveMatches(std::uint32_t nowMs) const {
    std::vector<LiveRoom> live;
    for (const auto& entry : rooms_) {
        const Room& room = *entry.second;
        // A private room's code is its players' to give: only ranked and listed rooms show.
        if (room.phase != Room::Phase::Playing || (!room.ranked && !room.listed)) {
            continue;
        }
        LiveRoom r;
        r.code = room.code;
        r.names[0] = room.seats[0].name;
        r.names[1] = room.seats[1].name;
        r.ranked = room.ranked && room.matchNumber == 1;
        r.spectators = room.spectators.size();
        r.playingForMs = nowMs - room.playingSince;
        live.push_back(std::move(r));
    }
    return live;
}

// The takeover of a dead process's rooms, and the journal that makes it possible.

bool ServerLobby::awaitDirectory(Client& client, const Message& m, const std::string& code) {
    if (directory_ == nullptr || !directory_->keepsJournal()) {
        return false;
    }
    if (client.answered == code) {
        return false;
    }
    client.awaiting.type = m.type;
    client.awaiting.flag = m.flag;
    client.awaiting.token = m.token;
    client.awaiting.code = code;
    // One question a room, however many of its players come back at once.
    if (adopting_.insert(code).second) {
        directory_->adopt(code);
    }
    return true;
}

void ServerLobby::answerAdoptions(std::uint32_t nowMs) {
    for (const Adoption& answer : directory_->adoptions()) {
        adopting_.erase(answer.code);
        if (answer.outcome == Adoption::Outcome::Taken && findRoom(answer.code) == nullptr) {
            adoptRoom(answer.match, nowMs);
        }
        std::vector<ClientId> waiting;
        for (const auto& entry : clients_) {
            if (!entry.second->closing && entry.second->awaiting.code == answer.code) {
                waiting.push_back(entry.first);
            }
        }
        for (ClientId id : waiting) {
            auto found = clients_.find(id);
            if (found == clients_.end() || found->second->awaiting.code != answer.code) {
                continue;
            }
            Client& client = *found->second;
            const Client::Awaiting asked = client.awaiting;
            client.awaiting = Client::Awaiting();
            Message m;
            m.type = asked.type;
            m.flag = asked.flag;
            m.token = asked.token;
            m.text = asked.code;
            const bool resuming = asked.type == MessageType::Resume;
            if (answer.outcome == Adoption::Outcome::Elsewhere) {
                sendAway(client, answer.address, m);
            } else if (answer.outcome == Adoption::Outcome::Unanswered && resuming) {
                // The match may well be kept, but nobody can read it now: ask again soon.
                refuse(id, RefusalReason::RoomMoving, asked.code);
            } else {
                // Here now, or nowhere: asked again, this time answered.
                client.answered = asked.code;
                if (resuming) {
                    resume(client, m, nowMs);
                } else {
                    joinRoom(client, m, nowMs);
                }
                client.answered.clear();
            }
        }
    }
}

void ServerLobby::adoptRoom(const JournalMatch& match, std::uint32_t nowMs) {
    auto room = std::make_unique<Room>();
    room->code = match.code;
    room->listed = match.listed;
    room->matchNumber = match.number;
    room->start = match.start;
    room->phase = Room::Phase::Playing;
    // Played here from now on, as the live list counts it; a ranked room's rating is not in the
    // journal, so an adopted match is kept unrated.
    room->playingSince = nowMs;
    for (int s = 0; s < 2; ++s) {
        Room::Seat& seat = room->seats[s];
        seat.name = match.names[s];
        room->matchNames[s] = match.names[s];
        seat.taken = true;
        seat.tokenHash = match.tokenHashes[s];
        seat.stream = match.streams[s];
        // The players' stall timeout counts from here: they are on their way.
        seat.lastHeard = nowMs;
    }
    log_.say(LogLevel::Info, "room %s taken over: match #%u goes on from frames %zu and %zu",
             match.code.c_str(), static_cast<unsigned>(match.number), match.streams[0].size(),
             match.streams[1].size());
    const Room& made = *room;
    rooms_[match.code] = std::move(room);
    publish(made);
}

void ServerLobby::dropLostRooms() {
    for (const std::string& code : directory_->roomsLost()) {
        auto found = rooms_.find(code);
        if (found == rooms_.end()) {
            continue;
        }
        Room& room = *found->second;
        log_.say(LogLevel::Warning, "room %s was taken over by another process; its players go there",
                 code.c_str());
        // Each comes back on a new connection and is sent to the room's process.
        std::vector<ClientId> members(room.spectators);
        for (const Room::Seat& seat : room.seats) {
            if (seat.client != 0) {
                members.push_back(seat.client);
            }
        }
        for (ClientId id : members) {
            auto client = clients_.find(id);
            if (client != clients_.end()) {
                client->second->room.clear();
                client->second->seat = spectatorSeat;
                client->second->closing = true;
            }
            out_.close(id);
        }
        // Not released: the room is the other process's now.
        rooms_.erase(found);
    }
}

void ServerLobby::journalStart(const Room& room) {
    if (directory_ == nullptr) {
        return;
    }
    JournalMatch match;
    match.code = room.code;
    match.listed = room.listed;
    match.number = room.matchNumber;
    match.start = room.start;
    for (int s = 0; s < 2; ++s) {
        const Room::Seat& seat = room.seats[s];
        match.names[s] = seat.name;
        match.tokenHashes[s] =
            seat.tokenHash.empty() ? seatTokenHash(room.code, s, seat.token) : seat.tokenHash;
    }
    directory_->journalStart(match);
}

void ServerLobby::journalFrames(const Room& room, int seat, std::uint32_t from) {
    const std::vector<FrameInput>& stream = room.seats[seat].stream;
    if (directory_ != nullptr && from < stream.size()) {
        directory_->journalFrames(room.code, seat, from, stream.data() + from, stream.size() - from);
    }
}

bool ServerLobby::resultsIn(const Room& room) const {
    std::uint32_t frames = 0;
    bool any = false;
    for (const Room::Seat& seat : room.seats) {
        if (seat.resultSent) {
            any = true;
            frames = std::max(frames, seat.resultFrames);
        } else if (seat.client != 0) {
            return false;
        }
    }
    return any && framesHeld(room) >= frames;
}

} // namespace kokurin
