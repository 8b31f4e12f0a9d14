// The client's half of docs/protocol.md: it keeps the streams exactly as the server holds them
// (the other seat's as relayed, its own as far as the server says it holds them), so that every
// player and spectator plays the server's frames.
#include "net/online_client.h"

#include <algorithm>

#include "net/input_runs.h"
#include "net/player_name.h"

namespace kokurin::net {

namespace {

constexpr std::uint32_t pingEveryMs = 1000;
constexpr int maxReconnects = 10;
constexpr std::uint32_t reconnectEveryMs = 1000;
// A room moves only when its process dies: more hops than this is a loop.
constexpr int maxRedirects = 3;
// A connection not open by then is given up for the next address.
constexpr std::uint32_t connectTimeoutMs = 5000;
// Addresses a client keeps for one server, given and named together.
constexpr std::size_t maxAddresses = 16;

bool webSocketAddress(const std::string& address) {
    return address.compare(0, 5, "ws://") == 0 || address.compare(0, 6, "wss://") == 0;
}

} // namespace

std::vector<std::string> serverAddresses(const std::string& list) {
    std::vector<std::string> addresses;
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t end = list.find(',', at);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::size_t first = at;
        std::size_t last = end;
        while (first < last && list[first] == ' ') {
            ++first;
        }
        while (last > first && list[last - 1] == ' ') {
            --last;
        }
        if (last > first) {
            addresses.push_back(list.substr(first, last - first));
        }
        at = end + 1;
    }
    return addresses;
}

OnlineClient::OnlineClient(Transport& transport, std::string name)
    : transport_(transport), name_(std::move(name)) {
    // Trimmed as the server trims it; a name it would refuse is sent as it is, and the server's
    // refusal says why.
    std::string clean;
    if (normalizePlayerName(name_, clean)) {
        name_ = clean;
    } else if (name_.size() > maxNameBytes) {
        name_.resize(maxNameBytes);
    }
}

void OnlineClient::open(const std::string& url) {
    addresses_ = serverAddresses(url);
    if (addresses_.empty()) {
        // The transport says why it cannot use it.
        addresses_.push_back(url);
    }
    if (addresses_.size() > maxAddresses) {
        addresses_.resize(maxAddresses);
    }
    firstTried_ = 0;
    while (!connectTo(addresses_[firstTried_], now_)) {
        if (++firstTried_ >= addresses_.size()) {
            fail(transport_.closeReason());
            return;
        }
    }
}

bool OnlineClient::connectTo(const std::string& url, std::uint32_t nowMs) {
    url_ = url;
    greeted_ = false;
    startedHere_ = false;
    connectingTimed_ = false;
    connectingSince_ = nowMs;
    return transport_.connect(url);
}

const std::string& OnlineClient::reconnectTarget() const {
    // Attempt k (from 1): its own process, then each other address, and round again.
    std::vector<const std::string*> order = {&home_};
    for (const std::string& address : addresses_) {
        if (address != home_) {
            order.push_back(&address);
        }
    }
    return *order[static_cast<std::size_t>(reconnects_ - 1) % order.size()];
}

void OnlineClient::openToResume(const std::string& url, std::uint64_t token,
                                const std::string& room) {
    // Asked once welcomed, as a request sent on to another process is.
    request_ = Message();
    request_.type = MessageType::Resume;
    request_.token = token;
    request_.text = room;
    open(url);
}

void OnlineClient::greet() {
    Message hello;
    hello.type = MessageType::Hello;
    hello.version = protocolVersion;
    hello.gameVersion = gameVersion();
    hello.text = name_;
    send(hello);
    greeted_ = true;
}

void OnlineClient::update(std::uint32_t nowMs) {
    if (phase_ == Phase::Failed) {
        return;
    }
    now_ = nowMs;
    flushInputs(nowMs, false);
    received_.clear();
    Transport::Status status = transport_.poll(received_);
    if (status == Transport::Status::Open && !greeted_) {
        greet();
    }
    if (status == Transport::Status::Connecting) {
        // Counted from the first update that sees it connecting (open() has no clock).
        if (!connectingTimed_) {
            connectingTimed_ = true;
            connectingSince_ = nowMs;
        } else if (nowMs - connectingSince_ > connectTimeoutMs &&
                   (phase_ == Phase::Playing ||
                    (!welcomed_ && firstTried_ + 1 < addresses_.size()))) {
            // An address that neither answers nor refuses: the next one is tried (a lone one is
            // waited for as long as the screen waits).
            transport_.close();
            status = Transport::Status::Closed;
        }
    }
    if (!received_.empty()) {
        lastHeard_ = nowMs;
    }
    for (const auto& bytes : received_) {
        Message message;
        std::string why;
        if (!decodeMessage(bytes.data(), bytes.size(), message, why)) {
            transport_.close();
            fail("the server sent a message this game cannot read (" + why + ")");
            return;
        }
        handle(message, nowMs);
        if (phase_ == Phase::Failed) {
            return;
        }
    }
    if (status == Transport::Status::Closed) {
        // No first welcome yet: the next address given.
        if (phase_ == Phase::Connecting && !welcomed_) {
            while (++firstTried_ < addresses_.size()) {
                if (connectTo(addresses_[firstTried_], nowMs)) {
                    return;
                }
            }
        }
        // A match in play is resumed over a new connection (on another process when its own
        // is gone); elsewhere the session is over.
        if (phase_ == Phase::Playing && token_ != 0 && reconnects_ < maxReconnects) {
            reconnecting_ = true;
            if (reconnects_ == 0) {
                home_ = url_;
            }
            if (nowMs >= reconnectAt_) {
                ++reconnects_;
                reconnectAt_ = nowMs + reconnectEveryMs;
                // Each attempt may be sent on afresh.
                redirects_ = 0;
                connectTo(reconnectTarget(), nowMs);
            }
            return;
        }
        if (phase_ != Phase::Over) {
            fail(transport_.closeReason());
        }
        return;
    }
    if (status == Transport::Status::Open && (!pinged_ || nowMs - lastPing_ >= pingEveryMs)) {
        Message ping;
        ping.type = MessageType::Ping;
        ping.number = nowMs;
        send(ping);
        lastPing_ = nowMs;
        pinged_ = true;
    }
}

void OnlineClient::handle(const Message& m, std::uint32_t nowMs) {
    switch (m.type) {
    case MessageType::Welcome:
        if (m.version != protocolVersion) {
            fail("the server speaks another version of the online game");
            return;
        }
        welcomed_ = true;
        welcomeToken_ = m.token;
        if (!key_.empty()) {
            Message identify;
            identify.type = MessageType::Identify;
            std::copy(key_.bytes.begin(), key_.bytes.end(), identify.ranked.key);
            send(identify);
        }
        if (phase_ == Phase::Playing && token_ != 0) {
            // Back after a dropped connection: ask for the match again.
            Message resume;
            resume.type = MessageType::Resume;
            resume.token = token_;
            resume.text = room_;
            send(resume);
            return;
        }
        token_ = m.token;
        if (phase_ == Phase::Connecting && request_.type == MessageType::Resume) {
            // Taking back a seat: the earlier connection's token stays this player's, and the
            // lobby is only reached if the match is gone.
            token_ = request_.token;
            send(request_);
            return;
        }
        if (phase_ == Phase::Connecting) {
            phase_ = Phase::Lobby;
            // Sent here by another process: ask this one what was asked there.
            if (request_.type != MessageType::Ping) {
                send(request_);
            }
        }
        return;
    case MessageType::Refused: {
        if (m.reason == static_cast<std::uint8_t>(RefusalReason::WrongProcess) &&
            followRedirect(m)) {
            return;
        }
        if (m.reason == static_cast<std::uint8_t>(RefusalReason::RoomMoving) &&
            phase_ == Phase::Playing) {
            // The room's process is gone and the one reached cannot take the match over yet:
            // asked again on the next attempt.
            transport_.close();
            return;
        }
        refusal_ = m;
        ++refusals_;
        // A match to take back that is over leaves a client that came for it in the lobby; one
        // that dropped out of its match has lost it.
        const bool resumedTooLate =
            m.reason == static_cast<std::uint8_t>(RefusalReason::ResumeUnknown) &&
            phase_ != Phase::Playing;
        if (resumedTooLate) {
            token_ = welcomeToken_;
            request_ = Message();
        }
        if (m.reason == static_cast<std::uint8_t>(RefusalReason::NameTaken) ||
            m.reason == static_cast<std::uint8_t>(RefusalReason::RankedRefused)) {
            // Ranked play is refused; everything else goes on as it was.
            error_ = refusalText(m);
            rankedWindow_ = 0;
            return;
        }
        if (m.reason == static_cast<std::uint8_t>(RefusalReason::RoomFull) ||
            m.reason == static_cast<std::uint8_t>(RefusalReason::RoomUnknown) ||
            m.reason == static_cast<std::uint8_t>(RefusalReason::RoomMoving) || resumedTooLate) {
            // The lobby goes on; the player may try another room.
            error_ = refusalText(m);
            phase_ = Phase::Lobby;
            return;
        }
        fail(refusalText(m));
        return;
    }
    case MessageType::RoomList:
        rooms_ = m.rooms;
        return;
    case MessageType::Standing:
        standing_ = m.ranked.standing;
        ++standings_;
        return;
    case MessageType::RankedWaiting:
        rankedWindow_ = m.number;
        return;
    case MessageType::Rated:
        rated_ = m;
        ++ratedCount_;
        return;
    case MessageType::Joined:
        request_ = Message();
        rankedWindow_ = 0;
        redirects_ = 0;
        if (!leftRoom_.empty() && m.text == leftRoom_) {
            return;
        }
        room_ = m.text;
        seat_ = m.seat;
        // Someone arriving or leaving changes nothing about a match being played or just over:
        // its names stay the ones it started with (shown under it, kept in its replay).
        if (phase_ == Phase::Playing || phase_ == Phase::Over) {
            return;
        }
        start_.names[0] = m.names[0];
        start_.names[1] = m.names[1];
        if (phase_ == Phase::Lobby || phase_ == Phase::Connecting) {
            phase_ = Phase::InRoom;
        }
        return;
    case MessageType::Start: {
        if (!leftRoom_.empty()) {
            return;
        }
        const bool resumed = matchNumber_ != 0 && m.number == matchNumber_;
        if (!resumed) {
            // A new match (a rematch) starts its streams afresh; a resumed one keeps them.
            streams_[0].clear();
            streams_[1].clear();
            mine_.clear();
            divergedAt_ = 0;
            rematchAsked_ = false;
            result_ = Message();
        }
        arrived_[0] = nowMs;
        arrived_[1] = nowMs;
        reconnecting_ = false;
        ++starts_;
        startedHere_ = true;
        start_ = m;
        seat_ = m.seat;
        // The server goes on from what it holds; frames of this seat it lost in flight go again.
        heldAtStart_ = m.seat < 2 ? m.held[m.seat] : 0;
        told_ = heldAtStart_;
        toldSinceStart_ = false;
        changed_ = mine_.size() > told_;
        clockAtStart_ = m.clock;
        startedMs_ = nowMs;
        lead_ = m.lead;
        matchNumber_ = m.number;
        reconnects_ = 0;
        redirects_ = 0;
        phase_ = Phase::Playing;
        if (resumed && seat_ < 2) {
            resendAfterResume();
        }
        return;
    }
    case MessageType::Inputs: {
        if (phase_ != Phase::Playing && phase_ != Phase::Over) {
            return;
        }
        std::vector<FrameInput>& stream = streams_[m.seat];
        // Frames already held are skipped (a resume resends from the first frame).
        const std::size_t had = stream.size();
        if (extendStream(stream, m, replayMaxFrames) > 0) {
            arrived_[m.seat] = nowMs;
            if (m.seat == seat_) {
                // This player's own frames, sent back after a resume (the page may have been
                // loaded again and know none of them).
                if (mine_.size() < stream.size()) {
                    mine_.resize(stream.size());
                }
                std::copy(stream.begin() + static_cast<long>(had), stream.end(),
                          mine_.begin() + static_cast<long>(had));
            }
        }
        if (seat_ < 2 && m.seat != seat_) {
            ownHeld(m.held[seat_], nowMs);
        }
        return;
    }
    case MessageType::Diverged:
        if (m.seat == seat_) {
            divergedAt_ = m.number;
        }
        return;
    case MessageType::MatchOver:
        end_ = m;
        phase_ = Phase::Over;
        reconnecting_ = false;
        return;
    case MessageType::Rematch:
        // Only the other player's ask comes back (the server's addition to its verdict).
        if (phase_ == Phase::Over) {
            rematchAsked_ = true;
        }
        return;
    case MessageType::Pong:
        roundTrip_ = nowMs - m.number;
        return;
    case MessageType::Ping: {
        Message pong;
        pong.type = MessageType::Pong;
        pong.number = m.number;
        send(pong);
        return;
    }
    case MessageType::Servers:
        // The server's other processes: where to go should this one die.
        for (const std::string& address : m.addresses) {
            const bool known =
                std::find(addresses_.begin(), addresses_.end(), address) != addresses_.end();
            if (webSocketAddress(address) && !known && addresses_.size() < maxAddresses) {
                addresses_.push_back(address);
            }
        }
        return;
    default:
        // Messages only a server reads are ignored.
        return;
    }
}

bool OnlineClient::followRedirect(const Message& refused) {
    const std::string& address = refused.text;
    if (!webSocketAddress(address) || redirects_ >= maxRedirects || address == url_) {
        return false;
    }
    ++redirects_;
    transport_.close();
    // A match being resumed stays Playing (its Welcome asks to resume; a process that does not
    // answer is one more attempt); the lobby's requests are asked again once welcomed.
    if (phase_ != Phase::Playing) {
        phase_ = Phase::Connecting;
    }
    if (!connectTo(address, now_) && phase_ != Phase::Playing) {
        fail(transport_.closeReason());
    }
    return true;
}

void OnlineClient::resendAfterResume() {
    // The Start set what the server holds of this seat's stream: the frames it lost in flight
    // (a process that died before its journal had them) go at once.
    flushInputs(now_, true);
    if (result_.type == MessageType::Result) {
        send(result_);
    }
}

std::uint32_t OnlineClient::framesReady() const {
    const std::size_t n =
        streams_[0].size() < streams_[1].size() ? streams_[0].size() : streams_[1].size();
    return static_cast<std::uint32_t>(n);
}

void OnlineClient::send(const Message& message) {
    transport_.send(encodeMessage(message));
}

void OnlineClient::fail(const std::string& why) {
    phase_ = Phase::Failed;
    reconnecting_ = false;
    error_ = why.empty() ? "the connection to the server was lost" : why;
}

void OnlineClient::listRooms() {
    Message m;
    m.type = MessageType::ListRooms;
    send(m);
}

void OnlineClient::createRoom(const std::string& code, bool listed) {
    leftRoom_.clear();
    Message m;
    m.type = MessageType::CreateRoom;
    m.flag = listed ? 1 : 0;
    m.text = code;
    request_ = m;
    send(m);
}

void OnlineClient::joinRoom(const std::string& code, bool spectate, bool createIfMissing) {
    leftRoom_.clear();
    Message m;
    m.type = MessageType::JoinRoom;
    m.flag = static_cast<std::uint8_t>((spectate ? 1 : 0) | (createIfMissing ? 2 : 0));
    m.text = code;
    request_ = m;
    send(m);
}

void OnlineClient::quickMatch() {
    leftRoom_.clear();
    Message m;
    m.type = MessageType::QuickMatch;
    request_ = m;
    send(m);
}

void OnlineClient::rankedMatch() {
    leftRoom_.clear();
    Message m;
    m.type = MessageType::RankedQueue;
    request_ = m;
    send(m);
}

void OnlineClient::askStanding() {
    Message m;
    m.type = MessageType::AskStanding;
    send(m);
}

void OnlineClient::rematch() {
    Message m;
    m.type = MessageType::Rematch;
    send(m);
}

void OnlineClient::leave() {
    Message m;
    m.type = MessageType::Leave;
    send(m);
    // Back in the lobby at once: nothing the room says afterwards concerns this client.
    if (phase_ == Phase::InRoom || phase_ == Phase::Playing || phase_ == Phase::Over) {
        phase_ = Phase::Lobby;
    }
    leftRoom_ = room_;
    request_ = Message();
    rankedWindow_ = 0;
    room_.clear();
    seat_ = spectatorSeat;
    // The next room's first match has a number of its own room's (1 again): it must not be
    // taken for this one resumed, with this one's streams.
    matchNumber_ = 0;
    streams_[0].clear();
    streams_[1].clear();
    mine_.clear();
    rematchAsked_ = false;
    result_ = Message();
}

void OnlineClient::sendInput(std::uint32_t frame, const FrameInput& input) {
    if (frame < told_) {
        // The server holds it already.
        return;
    }
    if (frame >= mine_.size()) {
        // Frames skipped repeat the last one, as the stream's own rule has it.
        mine_.resize(frame, mine_.empty() ? FrameInput{} : mine_.back());
        mine_.push_back(input);
    } else {
        mine_[frame] = input;
    }
    const FrameInput before = frame > 0 ? mine_[frame - 1] : FrameInput{};
    if (input != before) {
        // A change goes now; the reach of a stream that does not change goes with update().
        changed_ = true;
        flushInputs(now_, false);
    }
}

std::uint32_t OnlineClient::reachAllowed(std::uint32_t nowMs) const {
    // The Start came after the server took its clock, so this one is never ahead of it; a
    // quarter of the lead is kept back for clocks that run a little apart.
    const std::uint64_t elapsed = std::uint64_t(nowMs - startedMs_) * 60u / 1000u;
    const std::uint64_t allowed = clockAtStart_ + elapsed + lead_ - lead_ / 4;
    return allowed > replayMaxFrames ? replayMaxFrames : static_cast<std::uint32_t>(allowed);
}

void OnlineClient::flushInputs(std::uint32_t nowMs, bool force) {
    // A new connection sends nothing of the match before the server took it back (its Start).
    if (phase_ != Phase::Playing || seat_ >= 2 || !startedHere_) {
        return;
    }
    const std::uint32_t reach =
        std::min(reachAllowed(nowMs), static_cast<std::uint32_t>(mine_.size()));
    if (reach <= told_) {
        return;
    }
    const std::uint32_t since = nowMs - lastFlush_;
    if (!force && !(changed_ && since >= inputBatchMs) && since < keepAliveMs) {
        return;
    }
    // What the server holds of the frame before the first sent is known once this connection
    // sent anything, or once the server's own frames came back after a resume.
    const bool lastKnown = toldSinceStart_ || told_ <= streams_[seat_].size();
    std::uint32_t from = told_;
    while (from < reach) {
        Message m;
        from = writeStream(mine_, seat_, from, reach, lastKnown || from > told_, m);
        send(m);
    }
    told_ = reach;
    toldSinceStart_ = true;
    changed_ = false;
    lastFlush_ = nowMs;
}

void OnlineClient::ownHeld(std::uint32_t frames, std::uint32_t nowMs) {
    std::vector<FrameInput>& own = streams_[seat_];
    // Before the server's own frames came back after a resume, the frames it holds are not all
    // known here.
    if (own.size() < heldAtStart_) {
        return;
    }
    const std::size_t to = std::min<std::size_t>(frames, mine_.size());
    if (to > own.size()) {
        own.insert(own.end(), mine_.begin() + static_cast<long>(own.size()),
                   mine_.begin() + static_cast<long>(to));
        arrived_[seat_] = nowMs;
    }
}

void OnlineClient::sendHash(std::uint32_t frame, std::uint32_t hash) {
    Message m;
    m.type = MessageType::Hash;
    m.number = frame;
    m.hash = hash;
    send(m);
}

void OnlineClient::sendResult(std::uint32_t frames, std::uint32_t hash, std::uint8_t result) {
    Message m;
    m.type = MessageType::Result;
    m.number = frames;
    m.hash = hash;
    m.reason = result;
    send(m);
    // Kept: a connection that drops before the verdict sends it again where the match resumes.
    result_ = m;
}

std::string refusalText(const Message& refused) {
    switch (static_cast<RefusalReason>(refused.reason)) {
    case RefusalReason::WrongVersion:
        return "the server runs kokurin " + refused.text + "; install that version to play there";
    case RefusalReason::RoomFull:
        return "room " + refused.text + " is full";
    case RefusalReason::RoomUnknown:
        return "there is no room " + refused.text;
    case RefusalReason::Malformed:
        return "the server could not read this game's messages (" + refused.text + ")";
    case RefusalReason::Flooding:
        return "the server closed the connection: too many messages";
    case RefusalReason::NotInRoom:
        return "not in a room";
    case RefusalReason::ResumeUnknown:
        return "the match to resume is over";
    case RefusalReason::WrongProcess:
        return "the room is served at " + refused.text;
    case RefusalReason::NameTaken:
        return "the name " + refused.text + " belongs to another player's key";
    case RefusalReason::RankedRefused:
        return "ranked play refused (" + refused.text + ")";
    case RefusalReason::RoomMoving:
        return "room " + refused.text + " is moving to another server process; try again";
    }
    return "the server refused";
}

} // namespace kokurin::net
