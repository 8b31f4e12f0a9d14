// Rooms, relay and the checking of matches, as docs/protocol.md describes them. The server is
// the one order of each match's frames: it keeps both seats' streams and every client plays
// them as relayed. Its own re-play of the streams, not what a client says, gives each verdict.
#include "server_lobby.h"

#include <algorithm>

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
    }
    return "?";
}

// Compares every byte whatever the first difference, so the time taken says nothing of how
// much of a guessed token was right.
bool sameToken(std::uint64_t a, std::uint64_t b) {
    volatile std::uint64_t difference = a ^ b;
    return difference == 0;
}

// The re-play's hash taken at `frame` (a multiple of the hash interval), or false when the
// re-play ended before it: a second's hash is taken at that frame's input, so only frames the
// replay played have one (the last hash is the end's).
bool replayedHash(const Replay& replay, std::uint32_t frame, std::uint32_t& hash) {
    if (frame == 0 || frame % replayHashInterval != 0) {
        return false;
    }
    const std::size_t k = frame / replayHashInterval - 1;
    if (frame > replay.inputs.size() || k >= replay.hashes.size()) {
        return false;
    }
    hash = replay.hashes[k];
    return true;
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
        bool taken = false;
        std::uint32_t lastHeard = 0;
        std::vector<FrameInput> stream;
        std::map<std::uint32_t, std::uint32_t> hashes;
        bool resultSent = false;
        std::uint32_t resultFrames = 0;
        std::uint32_t resultAt = 0;
        bool wantsRematch = false;
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
        if (redirected(client, code, m)) {
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
        if (!redirected(client, code, m)) {
            refuse(client.id, RefusalReason::ResumeUnknown, code);
        }
        return;
    }
    // Both seats are compared whatever matches, in constant time.
    int matched = -1;
    for (int s = 0; s < 2; ++s) {
        const Room::Seat& held = target->seats[s];
        const bool same = sameToken(held.token, m.token);
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
    return directory_ == nullptr || directory_->claim(code);
}

bool ServerLobby::redirected(Client& client, const std::string& code, const Message& request) {
    std::string address;
    if (directory_ == nullptr || !directory_->ownerOf(code, address)) {
        return false;
    }
    sendAway(client, address, request);
    return true;
}

void ServerLobby::sendAway(Client& client, const std::string& address, const Message& request) {
    CarriedClient carried;
    carried.name = client.name;
    carried.token = client.token;
    carried.wrongTokens = client.wrongTokens;
    carried.allowance = client.allowance;
    if (out_.handOver(client.id, address, carried, encodeMessage(request))) {
        // Another event loop of this process has it now: it is forgotten here once the call
        // that sent it away returns (nothing it sent on is this lobby's any more).
        client.closing = true;
        handedOver_.push_back(client.id);
        return;
    }
    refuse(client.id, RefusalReason::WrongProcess, address);
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
    ++room.matchNumber;
    room.startedAt = nowMs;
    for (Room::Seat& seat : room.seats) {
        seat.stream.clear();
        seat.hashes.clear();
        seat.resultSent = false;
        seat.wantsRematch = false;
        seat.lastHeard = nowMs;
    }
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
    start.names[0] = room.seats[0].name;
    start.names[1] = room.seats[1].name;
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
    }
    if (reach > options_.maxMatchFrames) {
        endMatch(room, MatchEnd::TooLong, spectatorSeat, framesHeld(room));
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
    const Room::Seat& other = room.seats[1 - client.seat];
    if (other.resultSent || other.client == 0) {
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
    MatchToCheck match;
    match.start = room.start;
    match.frames = frames;
    for (int s = 0; s < 2; ++s) {
        check->names[s] = room.seats[s].name;
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
            if (replayedHash(replay, sent.first, expected) && expected != sent.second) {
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

    // The replay is saved whatever became of the room.
    std::string saved;
    if (replays_ != nullptr) {
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
    if (directory_ != nullptr) {
        directory_->tick(nowMs);
        if (nowMs - lastWaiterCheck_ >= 1000) {
            lastWaiterCheck_ = nowMs;
            matchWaiters();
            forgetHandedOver();
        }
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

} // namespace kokurin
