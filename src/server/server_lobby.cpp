// Rooms, relay and the checking of matches, as docs/protocol.md describes them. The server is
// the one order of each match's frames: it keeps both seats' streams and every client plays
// them as relayed.
#include "server_lobby.h"

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cpu/turn_setup.h"
#include "headless/headless.h"
#include "match_check.h"
#include "replay/match_start.h"
#include "rng/sfmt19937.h"

namespace kokurin {

using namespace net;

struct ServerLobby::Client {
    ClientId id = 0;
    bool greeted = false;
    std::string name;
    std::uint64_t token = 0;
    // The room and seat (spectatorSeat: watching); empty code: in the lobby.
    std::string room;
    int seat = spectatorSeat;
    std::uint32_t windowStart = 0;
    int messagesInWindow = 0;
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
    std::string code;
    bool listed = false;
    Seat seats[2];
    std::vector<ClientId> spectators;
    bool playing = false;
    std::uint32_t matchNumber = 0;
    Message lastOver;
    MatchStart start;
};

ServerLobby::ServerLobby(Outbox& out, ServerLobbyOptions options, std::uint64_t entropy, RoomDirectory* directory)
    : out_(out), options_(std::move(options)), directory_(directory), random_(entropy) {}

ServerLobby::~ServerLobby() = default;

void ServerLobby::connected(ClientId id, std::uint32_t nowMs) {
    auto client = std::make_unique<Client>();
    client->id = id;
    client->windowStart = nowMs;
    clients_[id] = std::move(client);
}

void ServerLobby::send(ClientId client, const Message& m) {
    out_.send(client, encodeMessage(m));
}

void ServerLobby::refuse(ClientId client, RefusalReason reason, const std::string& text, bool close) {
    Message m;
    m.type = MessageType::Refused;
    m.reason = static_cast<std::uint8_t>(reason);
    m.text = text.substr(0, 255);
    send(client, m);
    if (close) {
        out_.close(client);
    }
}

void ServerLobby::received(ClientId id, const std::uint8_t* bytes, std::size_t size,
                     std::uint32_t nowMs) {
    auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& client = *found->second;
    if (nowMs - client.windowStart >= 1000) {
        client.windowStart = nowMs;
        client.messagesInWindow = 0;
    }
    if (++client.messagesInWindow > options_.maxMessagesPerSecond) {
        refuse(id, RefusalReason::Flooding, "", true);
        disconnected(id, nowMs);
        return;
    }
    Message m;
    std::string why;
    if (!decodeMessage(bytes, size, m, why)) {
        refuse(id, RefusalReason::Malformed, why, true);
        disconnected(id, nowMs);
        return;
    }
    handle(client, m, nowMs);
}

void ServerLobby::handle(Client& client, const Message& m, std::uint32_t nowMs) {
    if (!client.greeted) {
        if (m.type != MessageType::Hello) {
            refuse(client.id, RefusalReason::Malformed, "the first message must be Hello", true);
            disconnected(client.id, nowMs);
            return;
        }
        if (m.version != protocolVersion || m.gameVersion != gameVersion()) {
            refuse(client.id, RefusalReason::WrongVersion, gameVersion(), true);
            disconnected(client.id, nowMs);
            return;
        }
        client.greeted = true;
        client.name = m.text.empty() ? "?" : m.text;
        client.token = random_() | 1u;
        Message welcome;
        welcome.type = MessageType::Welcome;
        welcome.version = protocolVersion;
        welcome.number = static_cast<std::uint32_t>(client.id);
        welcome.token = client.token;
        send(client.id, welcome);
        return;
    }
    Room* room = nullptr;
    if (!client.room.empty()) {
        auto found = rooms_.find(client.room);
        room = found != rooms_.end() ? found->second.get() : nullptr;
        if (room != nullptr && client.seat < 2) {
            room->seats[client.seat].lastHeard = nowMs;
        }
    }
    switch (m.type) {
    case MessageType::Hello:
        refuse(client.id, RefusalReason::Malformed, "a second Hello", true);
        disconnected(client.id, nowMs);
        return;
    case MessageType::ListRooms: {
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
        return;
    }
    case MessageType::CreateRoom: {
        if (room != nullptr) {
            leaveRoom(client, nowMs);
        }
        std::string code = m.text.empty() ? freshCode() : m.text;
        if (rooms_.count(code) != 0 || (!m.text.empty() && !claimCode(code))) {
            refuse(client.id, RefusalReason::RoomFull, code, false);
            return;
        }
        seat(client, makeRoom(code, m.flag == 1), 0, nowMs);
        return;
    }
    case MessageType::JoinRoom: {
        if (room != nullptr) {
            leaveRoom(client, nowMs);
        }
        auto found = rooms_.find(m.text);
        if (found == rooms_.end()) {
            if (redirected(client, m.text)) {
                return;
            }
            if ((m.flag & 2) == 0) {
                refuse(client.id, RefusalReason::RoomUnknown, m.text, false);
                return;
            }
            if (!claimCode(m.text)) {
                // Another process made it between the look and the claim.
                if (!redirected(client, m.text)) {
                    refuse(client.id, RefusalReason::RoomUnknown, m.text, false);
                }
                return;
            }
            makeRoom(m.text, false);
            found = rooms_.find(m.text);
        }
        Room& target = *found->second;
        if ((m.flag & 1) != 0) {
            watch(client, target);
            return;
        }
        // A seat whose player is disconnected goes back to that player; else the first free.
        for (int s = 0; s < 2; ++s) {
            if (target.seats[s].taken && target.seats[s].client == 0 &&
                target.seats[s].name == client.name) {
                seat(client, target, s, nowMs);
                return;
            }
        }
        for (int s = 0; s < 2; ++s) {
            if (!target.seats[s].taken) {
                seat(client, target, s, nowMs);
                return;
            }
        }
        refuse(client.id, RefusalReason::RoomFull, m.text, false);
        return;
    }
    case MessageType::QuickMatch: {
        if (room != nullptr) {
            leaveRoom(client, nowMs);
        }
        for (ClientId waiting : quickQueue_) {
            if (waiting == client.id) {
                return;
            }
        }
        if (directory_ != nullptr && quickQueue_.empty()) {
            // Nobody waits here: a player waiting at another process is met there.
            const std::string elsewhere = directory_->waiterElsewhere();
            if (!elsewhere.empty()) {
                refuse(client.id, RefusalReason::WrongProcess, elsewhere, false);
                return;
            }
        }
        quickQueue_.push_back(client.id);
        if (quickQueue_.size() >= 2) {
            Room& fresh = makeRoom(freshCode(), false);
            const ClientId a = quickQueue_[0];
            const ClientId b = quickQueue_[1];
            quickQueue_.erase(quickQueue_.begin(), quickQueue_.begin() + 2);
            if (directory_ != nullptr) {
                directory_->removeWaiter(a);
            }
            seat(*clients_[a], fresh, 0, nowMs);
            seat(*clients_[b], fresh, 1, nowMs);
        } else if (directory_ != nullptr) {
            directory_->addWaiter(client.id);
        }
        return;
    }
    case MessageType::Inputs:
        if (room == nullptr || client.seat >= 2 || m.seat != client.seat || !room->playing) {
            // Late inputs of a match just ended are harmless; anything else is not.
            if (room != nullptr && client.seat < 2 && m.seat == client.seat) {
                return;
            }
            refuse(client.id, RefusalReason::NotInRoom, "", false);
            return;
        }
        acceptInputs(client, *room, m);
        return;
    case MessageType::Hash:
        if (room != nullptr && client.seat < 2 && room->playing) {
            acceptHash(client, *room, m);
        }
        return;
    case MessageType::Result:
        if (room != nullptr && client.seat < 2 && room->playing) {
            Room::Seat& s = room->seats[client.seat];
            if (!s.resultSent) {
                s.resultSent = true;
                s.resultFrames = m.number;
                s.resultAt = nowMs;
            }
            const Room::Seat& other = room->seats[1 - client.seat];
            if (other.resultSent || other.client == 0) {
                finishWithResults(*room);
            }
        }
        return;
    case MessageType::Rematch:
        if (room != nullptr && client.seat < 2 && !room->playing && room->matchNumber != 0) {
            const bool askedBefore = room->seats[client.seat].wantsRematch;
            room->seats[client.seat].wantsRematch = true;
            const ClientId other = room->seats[1 - client.seat].client;
            if (room->seats[0].wantsRematch && room->seats[1].wantsRematch &&
                room->seats[0].client != 0 && room->seats[1].client != 0) {
                startMatch(*room, nowMs);
            } else if (!askedBefore && other != 0) {
                // The other player hears of the ask, once (a client that does not know this
                // ignores it).
                Message asked;
                asked.type = MessageType::Rematch;
                send(other, asked);
            }
        }
        return;
    case MessageType::Leave:
        // Leaving the quick-match queue too: a player who gave up waiting is matched with nobody.
        quickQueue_.erase(std::remove(quickQueue_.begin(), quickQueue_.end(), client.id),
                          quickQueue_.end());
        leaveRoom(client, nowMs);
        return;
    case MessageType::Resume: {
        auto found = rooms_.find(m.text);
        if (found != rooms_.end()) {
            Room& target = *found->second;
            for (int s = 0; s < 2; ++s) {
                if (target.seats[s].taken && target.seats[s].token == m.token && m.token != 0) {
                    if (room != nullptr) {
                        leaveRoom(client, nowMs);
                    }
                    // The old connection, if the server has not seen it drop yet, is let go.
                    const ClientId old = target.seats[s].client;
                    if (old != 0 && old != client.id) {
                        auto oldClient = clients_.find(old);
                        if (oldClient != clients_.end()) {
                            oldClient->second->room.clear();
                        }
                        out_.close(old);
                    }
                    client.token = m.token;
                    seat(client, target, s, nowMs);
                    return;
                }
            }
        }
        if (found != rooms_.end()) {
            // A spectator has no seat to take back: it watches again, and hears the end of a
            // match that ended while it was away.
            Room& target = *found->second;
            if (room != nullptr) {
                leaveRoom(client, nowMs);
            }
            watch(client, target);
            if (!target.playing && target.lastOver.type == MessageType::MatchOver) {
                send(client.id, target.lastOver);
            }
            return;
        }
        if (redirected(client, m.text)) {
            return;
        }
        refuse(client.id, RefusalReason::ResumeUnknown, m.text, false);
        return;
    }
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
        refuse(client.id, RefusalReason::Malformed, "a message only the server sends", true);
        disconnected(client.id, nowMs);
        return;
    }
}

ServerLobby::Room& ServerLobby::makeRoom(std::string code, bool listed) {
    auto room = std::make_unique<Room>();
    room->code = code;
    room->listed = listed;
    Room& made = *room;
    rooms_[code] = std::move(room);
    return made;
}

std::string ServerLobby::freshCode() {
    // No 0/O or 1/I: codes are read aloud and typed.
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    for (;;) {
        std::string code;
        for (int i = 0; i < 5; ++i) {
            code += letters[random_() % (sizeof letters - 1)];
        }
        if (rooms_.count(code) == 0 && claimCode(code)) {
            return code;
        }
    }
}

bool ServerLobby::claimCode(const std::string& code) {
    return directory_ == nullptr || directory_->claim(code);
}

bool ServerLobby::redirected(Client& client, const std::string& code) {
    std::string address;
    if (directory_ == nullptr || !directory_->ownerOf(code, address)) {
        return false;
    }
    refuse(client.id, RefusalReason::WrongProcess, address, false);
    return true;
}

// A room as the public list shows it.
RoomEntry ServerLobby::entryOf(const Room& room) {
    RoomEntry e;
    e.code = room.code;
    e.names[0] = room.seats[0].name;
    e.names[1] = room.seats[1].name;
    e.spectators = static_cast<std::uint16_t>(room.spectators.size());
    e.playing = room.playing ? 1 : 0;
    return e;
}

void ServerLobby::publish(const Room& room) {
    if (directory_ == nullptr) {
        return;
    }
    directory_->publish(entryOf(room), room.listed);
}

void ServerLobby::eraseRoom(std::map<std::string, std::unique_ptr<Room>>::iterator room) {
    if (directory_ != nullptr) {
        directory_->release(room->first);
    }
    rooms_.erase(room);
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
    quickQueue_.clear();
    directory_->removeWaiter(waiter);
    refuse(waiter, RefusalReason::WrongProcess, elsewhere, false);
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
    if (room.playing) {
        sendMatchSoFar(room, client.id);
    } else if (room.matchNumber == 0 && room.seats[0].client != 0 && room.seats[1].client != 0) {
        startMatch(room, nowMs);
    }
}

void ServerLobby::watch(Client& client, Room& room) {
    client.room = room.code;
    client.seat = spectatorSeat;
    room.spectators.push_back(client.id);
    announce(room);
    if (room.playing) {
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
    for (ClientId watcher : room.spectators) {
        send(watcher, joined);
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
    // A fresh generator state from the server's own entropy; the match is built from the
    // start as a replay's is, so the clients need nothing else.
    headless::reset();
    const std::uint32_t seed = static_cast<std::uint32_t>(random_());
    sharedRandom.seed(seed);
    rotationCounter = 0;
    room.start = captureMatchStart(0, seed);
    room.playing = true;
    ++room.matchNumber;
    for (Room::Seat& seat : room.seats) {
        seat.stream.clear();
        seat.hashes.clear();
        seat.resultSent = false;
        seat.wantsRematch = false;
        seat.lastHeard = nowMs;
    }
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
    Message start;
    start.type = MessageType::Start;
    start.number = room.matchNumber;
    start.names[0] = room.seats[0].name;
    start.names[1] = room.seats[1].name;
    start.seat = static_cast<std::uint8_t>(clients_[id]->seat);
    start.held[0] = static_cast<std::uint32_t>(room.seats[0].stream.size());
    start.held[1] = static_cast<std::uint32_t>(room.seats[1].stream.size());
    start.start = room.start;
    send(id, start);
    for (int s = 0; s < 2; ++s) {
        const std::vector<FrameInput>& stream = room.seats[s].stream;
        for (std::size_t first = 0; first < stream.size(); first += maxBatchFrames) {
            Message batch;
            batch.type = MessageType::Inputs;
            batch.seat = static_cast<std::uint8_t>(s);
            batch.number = static_cast<std::uint32_t>(first);
            const std::size_t end =
                first + maxBatchFrames < stream.size() ? first + maxBatchFrames : stream.size();
            batch.inputs.assign(stream.begin() + static_cast<long>(first),
                                stream.begin() + static_cast<long>(end));
            send(id, batch);
        }
    }
}

void ServerLobby::acceptInputs(Client& client, Room& room, const Message& m) {
    std::vector<FrameInput>& stream = room.seats[client.seat].stream;
    if (m.number > stream.size()) {
        refuse(client.id, RefusalReason::Malformed, "inputs skip frames", true);
        disconnected(client.id, 0);
        return;
    }
    const std::size_t skip = stream.size() - m.number;
    if (skip >= m.inputs.size()) {
        return;
    }
    Message relay;
    relay.type = MessageType::Inputs;
    relay.seat = m.seat;
    relay.number = static_cast<std::uint32_t>(stream.size());
    relay.inputs.assign(m.inputs.begin() + static_cast<long>(skip), m.inputs.end());
    stream.insert(stream.end(), relay.inputs.begin(), relay.inputs.end());
    sendToRoom(room, relay);
}

void ServerLobby::acceptHash(Client& client, Room& room, const Message& m) {
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
    // The games parted: the server's own play of the streams says whose.
    endMatch(room, MatchEnd::Diverged, spectatorSeat, m.number);
}

void ServerLobby::finishWithResults(Room& room) {
    std::uint32_t frames = 0;
    for (const Room::Seat& seat : room.seats) {
        if (seat.resultSent && seat.resultFrames > frames) {
            frames = seat.resultFrames;
        }
    }
    endMatch(room, MatchEnd::Winner, spectatorSeat, frames);
}

void ServerLobby::endMatch(Room& room, MatchEnd how, int winner, std::uint32_t frames) {
    if (!room.playing) {
        return;
    }
    room.playing = false;
    publish(room);
    const Replay replay =
        replayStreams(room.start, room.seats[0].stream, room.seats[1].stream, frames);
    const std::uint32_t played = static_cast<std::uint32_t>(replay.inputs.size());

    // Every hash a player sent for a frame the server played is checked against its own.
    bool parted = false;
    for (int s = 0; s < 2; ++s) {
        for (const auto& sent : room.seats[s].hashes) {
            std::uint32_t expected = 0;
            if (replayHashAt(replay, sent.first, expected) && expected != sent.second) {
                Message diverged;
                diverged.type = MessageType::Diverged;
                diverged.number = sent.first;
                diverged.seat = static_cast<std::uint8_t>(s);
                sendToRoom(room, diverged);
                parted = true;
                break;
            }
        }
    }
    if (how == MatchEnd::Winner) {
        if (replay.result == ReplayResult::FirstWon || replay.result == ReplayResult::SecondWon) {
            winner = replay.result == ReplayResult::FirstWon ? 0 : 1;
        } else if (replay.result == ReplayResult::Left && played > 0) {
            // ESC is in the stream: whoever pressed it left, the other wins.
            const bool firstLeft = (room.seats[0].stream[played - 1].keys & 1u) != 0;
            const bool secondLeft = (room.seats[1].stream[played - 1].keys & 1u) != 0;
            how = MatchEnd::Left;
            winner = firstLeft == secondLeft ? spectatorSeat : firstLeft ? 1 : 0;
        } else {
            winner = spectatorSeat;
        }
    }
    if (parted || how == MatchEnd::Diverged) {
        how = MatchEnd::Diverged;
        winner = spectatorSeat;
    }
    Message over;
    over.type = MessageType::MatchOver;
    over.reason = static_cast<std::uint8_t>(how);
    over.seat = static_cast<std::uint8_t>(winner);
    over.number = played;
    sendToRoom(room, over);
    room.lastOver = over;
    ++finished_;

    if (!options_.replayDir.empty()) {
        // CODE-MATCH.kkr; a name an earlier run of the server (or another room of the same
        // code) left is kept, and this one takes the next free suffix.
        const std::string stem =
            options_.replayDir + "/" + room.code + "-" + std::to_string(room.matchNumber);
        std::string path = stem + ".kkr";
        std::error_code ignored;
        for (int copy = 2; std::filesystem::exists(path, ignored) && copy < 1000; ++copy) {
            path = stem + "-" + std::to_string(copy) + ".kkr";
        }
        // Written whole to a temporary name first, so a replay is never left half written.
        const std::vector<std::uint8_t> bytes = encodeReplay(replay);
        bool written = false;
        {
            std::ofstream file(path + ".tmp", std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            file.close();
            written = static_cast<bool>(file);
        }
        if (!written || std::rename((path + ".tmp").c_str(), path.c_str()) != 0) {
            std::remove((path + ".tmp").c_str());
            std::fprintf(stderr, "kokurin-server: could not save %s\n", path.c_str());
        }
    }
}

void ServerLobby::leaveRoom(Client& client, std::uint32_t nowMs) {
    auto found = rooms_.find(client.room);
    client.room.clear();
    if (found == rooms_.end()) {
        return;
    }
    Room& room = *found->second;
    if (client.seat < 2) {
        Room::Seat& seat = room.seats[client.seat];
        if (room.playing) {
            endMatch(room, MatchEnd::Left, 1 - client.seat,
                     static_cast<std::uint32_t>(
                         std::min(room.seats[0].stream.size(), room.seats[1].stream.size())));
        }
        seat = Room::Seat();
    } else {
        auto& watchers = room.spectators;
        for (auto it = watchers.begin(); it != watchers.end(); ++it) {
            if (*it == client.id) {
                watchers.erase(it);
                break;
            }
        }
    }
    client.seat = spectatorSeat;
    if (!room.seats[0].taken && !room.seats[1].taken && room.spectators.empty()) {
        eraseRoom(found);
        return;
    }
    announce(room);
}

void ServerLobby::disconnected(ClientId id, std::uint32_t nowMs) {
    auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& client = *found->second;
    for (auto it = quickQueue_.begin(); it != quickQueue_.end(); ++it) {
        if (*it == id) {
            quickQueue_.erase(it);
            if (directory_ != nullptr) {
                directory_->removeWaiter(id);
            }
            break;
        }
    }
    auto room = rooms_.find(client.room);
    if (room != rooms_.end()) {
        if (client.seat < 2 && room->second->playing) {
            // A player in a match keeps the seat: the connection may come back (Resume, or a
            // join under the same name) until the stall timeout.
            room->second->seats[client.seat].client = 0;
        } else {
            leaveRoom(client, nowMs);
        }
    }
    clients_.erase(found);
}

void ServerLobby::tick(std::uint32_t nowMs) {
    if (directory_ != nullptr) {
        directory_->tick(nowMs);
        if (nowMs - lastWaiterCheck_ >= 1000) {
            lastWaiterCheck_ = nowMs;
            matchWaiters();
        }
    }
    std::vector<Room*> stalled;
    for (auto& entry : rooms_) {
        Room& room = *entry.second;
        if (!room.playing) {
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
            endMatch(room, MatchEnd::Gone, winner,
                     static_cast<std::uint32_t>(
                         std::min(room.seats[0].stream.size(), room.seats[1].stream.size())));
        }
    }
    // Rooms whose seats are held by nobody connected, after their match, are let go.
    for (auto it = rooms_.begin(); it != rooms_.end();) {
        Room& room = *it->second;
        const bool empty =
            room.seats[0].client == 0 && room.seats[1].client == 0 && room.spectators.empty();
        if (!room.playing && empty) {
            if (directory_ != nullptr) {
                directory_->release(it->first);
            }
            it = rooms_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace kokurin
