// The client's half of docs/protocol.md: it keeps the streams exactly as the server relays them
// (its own seat's too), so that every player and spectator plays the server's order.
#include "net/online_client.h"

#include <algorithm>

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
            divergedAt_ = 0;
            rematchAsked_ = false;
            result_ = Message();
        }
        arrived_[0] = nowMs;
        arrived_[1] = nowMs;
        reconnecting_ = false;
        batch_.inputs.clear();
        ++starts_;
        start_ = m;
        seat_ = m.seat;
        matchNumber_ = m.number;
        reconnects_ = 0;
        redirects_ = 0;
        phase_ = Phase::Playing;
        if (resumed && seat_ < 2) {
            resendAfterResume(m);
        }
        return;
    }
    case MessageType::Inputs: {
        if (phase_ != Phase::Playing && phase_ != Phase::Over) {
            return;
        }
        std::vector<FrameInput>& stream = streams_[m.seat];
        // Frames already held are skipped (a resume resends from where the server thinks);
        // a gap means the server and this client disagree on the stream.
        if (m.number > stream.size()) {
            fail("the server's input stream skipped frames");
            return;
        }
        if (m.number + m.inputs.size() > stream.size()) {
            arrived_[m.seat] = nowMs;
        }
        for (std::size_t i = stream.size() - m.number; i < m.inputs.size(); ++i) {
            stream.push_back(m.inputs[i]);
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

void OnlineClient::resendAfterResume(const Message& start) {
    const std::vector<FrameInput>& mine = streams_[seat_];
    for (std::size_t f = start.held[seat_]; f < mine.size(); ++f) {
        sendInput(static_cast<std::uint32_t>(f), mine[f]);
    }
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
    rematchAsked_ = false;
    result_ = Message();
}

void OnlineClient::sendInput(std::uint32_t frame, const FrameInput& input) {
    if (!batch_.inputs.empty() && batch_.number + batch_.inputs.size() != frame) {
        flushInputs(now_, true);
    }
    if (batch_.inputs.empty()) {
        batch_.type = MessageType::Inputs;
        batch_.seat = seat_;
        batch_.number = frame;
    }
    batch_.inputs.push_back(input);
    flushInputs(now_, batch_.inputs.size() >= maxBatchFrames);
}

void OnlineClient::flushInputs(std::uint32_t nowMs, bool force) {
    if (batch_.inputs.empty() || (!force && nowMs - lastFlush_ < inputBatchMs)) {
        return;
    }
    send(batch_);
    batch_.inputs.clear();
    lastFlush_ = nowMs;
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
