// The fakes around the lobby under test.
#include "lobby_rig.h"

#include "net/input_runs.h"
#include "net/player_name.h"

#include <utility>

namespace kokurin::testing {

using namespace net;

void FakeOutbox::send(ClientId client, const std::vector<std::uint8_t>& bytes) {
    if (gone.count(client) != 0) {
        faults.push_back("a send to client " + std::to_string(client) + " after it went");
        return;
    }
    Message m;
    std::string why;
    if (bytes.empty() || !decodeMessage(bytes.data(), bytes.size(), m, why)) {
        faults.push_back("a message that does not decode: " + why);
        return;
    }
    if (stuck.count(client) != 0) {
        // As the network code does: a queue past its cap drops the client, later.
        std::size_t& size = queued[client];
        size += bytes.size();
        if (size > queueCap) {
            dueToGo.push_back(client);
            return;
        }
    }
    heard[client].push_back(m);
}

void FakeOutbox::close(ClientId client) {
    closedByLobby.insert(client);
    dueToGo.push_back(client);
}

std::uint32_t fakeHash(const std::vector<FrameInput>& first,
                       const std::vector<FrameInput>& second, std::uint32_t frame) {
    std::uint32_t h = 2166136261u;
    for (std::uint32_t f = 0; f < frame && f < first.size() && f < second.size(); ++f) {
        h = (h ^ first[f].keys ^ (std::uint32_t(second[f].keys) << 12) ^ first[f].pointer) *
            16777619u;
    }
    return h;
}

MatchStart FakeReferee::makeStart(std::uint32_t seed) {
    seeds.push_back(seed);
    MatchStart start;
    start.seed = seed;
    return start;
}

void FakeReferee::check(MatchToCheck match, std::function<void(Replay)> done) {
    waiting.emplace_back(std::move(match), std::move(done));
}

Replay FakeReferee::play(const MatchToCheck& match) const {
    Replay replay;
    replay.start = match.start;
    const std::vector<FrameInput>& a = match.streams[0];
    const std::vector<FrameInput>& b = match.streams[1];
    std::uint32_t f = 0;
    for (; f < match.frames && f < a.size() && f < b.size(); ++f) {
        if (f > 0 && f % replayHashInterval == 0) {
            replay.hashes.push_back(fakeHash(a, b, f));
        }
        FrameInput both;
        both.keys = static_cast<std::uint16_t>(a[f].keys | b[f].keys);
        replay.inputs.push_back(both);
        if (((a[f].keys | b[f].keys) & 1u) != 0) {
            replay.result = ReplayResult::Left;
            ++f;
            break;
        }
        if (winAt != 0 && f + 1 == winAt) {
            replay.result = winSeat == 0 ? ReplayResult::FirstWon : ReplayResult::SecondWon;
            ++f;
            break;
        }
    }
    replay.hashes.push_back(fakeHash(a, b, f));
    return replay;
}

bool FakeReferee::completeOne() {
    if (waiting.empty()) {
        return false;
    }
    auto job = std::move(waiting.front());
    waiting.pop_front();
    checked.push_back(job.first);
    job.second(play(job.first));
    return true;
}

void FakeReferee::completeAll() {
    while (completeOne()) {
    }
}

void FakeRecords::claim(const std::string& keyHex, const std::string& name,
                        std::function<void(PlayerClaim)> done) {
    waiting.push_back([this, keyHex, name, done] {
        PlayerClaim claim;
        if (failing) {
            done(claim);
            return;
        }
        for (const auto& owner : names) {
            if (net::playerNameKey(owner.second) == net::playerNameKey(name) &&
                players[keyHex] != owner.first) {
                claim.outcome = PlayerClaim::Outcome::Taken;
                done(claim);
                return;
            }
        }
        RankedPlayer& player = players[keyHex];
        if (player == 0) {
            player = static_cast<RankedPlayer>(players.size());
            ratings[player] = 1500;
        }
        names[player] = name;
        claim.outcome = PlayerClaim::Outcome::Claimed;
        claim.player = player;
        claim.standing.name = name;
        claim.standing.rating = static_cast<std::uint16_t>(ratings[player]);
        done(claim);
    });
}

void FakeRecords::standing(RankedPlayer player,
                           std::function<void(bool, net::RankedStanding)> done) {
    waiting.push_back([this, player, done] {
        net::RankedStanding standing;
        standing.name = names[player];
        standing.rating = static_cast<std::uint16_t>(ratings[player]);
        done(!failing, standing);
    });
}

void FakeRecords::rating(RankedPlayer player, std::function<void(bool, double)> done) {
    waiting.push_back([this, player, done] { done(!failing, ratings[player]); });
}

void FakeRecords::record(MatchRecord match, std::vector<std::uint8_t> replay,
                         std::function<void(RecordOutcome)> done) {
    waiting.push_back([this, match, done] {
        RecordOutcome outcome;
        if (failing) {
            outcome.error = "the database is down";
            done(outcome);
            return;
        }
        kept.push_back(match);
        outcome.saved = true;
        outcome.id = static_cast<std::int64_t>(kept.size());
        outcome.rated = match.rated;
        for (int s = 0; s < 2 && match.rated; ++s) {
            const RankedPlayer player = match.seats[s].player;
            outcome.before[s] = ratings[player];
            ratings[player] += match.winner == s ? 15.4 : -15.4;
            outcome.after[s] = ratings[player];
        }
        done(outcome);
    });
}

bool FakeRecords::completeOne() {
    if (waiting.empty()) {
        return false;
    }
    auto job = std::move(waiting.front());
    waiting.pop_front();
    job();
    return true;
}

void FakeRecords::completeAll() {
    while (completeOne()) {
    }
}

Message identifyMessage(std::uint8_t b) {
    Message m;
    m.type = MessageType::Identify;
    for (std::uint8_t& k : m.ranked.key) {
        k = b;
    }
    return m;
}

bool KeptLog::has(const std::string& part) const {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

Message helloMessage(const std::string& name) {
    Message m;
    m.type = MessageType::Hello;
    m.version = protocolVersion;
    m.gameVersion = gameVersion();
    m.text = name;
    return m;
}

LobbyRig::LobbyRig(ServerLobbyOptions options, ReplayFolder* replays, bool ranked)
    : LobbyRig(std::move(options), replays, nullptr, ranked) {}

LobbyRig::LobbyRig(ServerLobbyOptions options, ReplayFolder* replays, RoomDirectory* directory,
                   bool ranked) {
    options.random = [this] {
        // splitmix64: tests are repeatable; the server's own source is the kernel's.
        std::uint64_t z = (nextRandom += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    };
    lobby = std::make_unique<ServerLobby>(out, referee, log, options, replays, directory);
    if (ranked) {
        lobby->setRecords(&records);
    }
    lobby->tick(now);
}

void LobbyRig::settle() {
    while (!out.dueToGo.empty() ||
           (completeChecks && (!referee.waiting.empty() || !records.waiting.empty()))) {
        std::vector<ClientId> due;
        due.swap(out.dueToGo);
        for (ClientId c : due) {
            if (out.gone.insert(c).second) {
                lobby->disconnected(c, now);
            }
        }
        if (completeChecks) {
            referee.completeAll();
            records.completeAll();
        }
    }
}

ClientId LobbyRig::connect() {
    const ClientId id = nextId++;
    lobby->connected(id, now);
    settle();
    return id;
}

ClientId LobbyRig::hello(const std::string& name) {
    const ClientId id = connect();
    send(id, helloMessage(name));
    const Message welcome = last(id, MessageType::Welcome);
    tokens[id] = welcome.token;
    return id;
}

void LobbyRig::sendBytes(ClientId client, const std::vector<std::uint8_t>& bytes) {
    lobby->received(client, bytes.data(), bytes.size(), now);
    settle();
}

void LobbyRig::send(ClientId client, const Message& m) {
    sendBytes(client, encodeMessage(m));
}

void LobbyRig::disconnect(ClientId client) {
    if (out.gone.insert(client).second) {
        lobby->disconnected(client, now);
    }
    settle();
}

void LobbyRig::advance(std::uint32_t ms) {
    // The lobby is ticked every 100 ms, as the network loop does.
    for (std::uint32_t step = 0; step < ms; step += 100) {
        now += ms - step < 100 ? ms - step : 100;
        lobby->tick(now);
        settle();
    }
}

void LobbyRig::create(ClientId c, const std::string& code, bool listed) {
    Message m;
    m.type = MessageType::CreateRoom;
    m.flag = listed ? 1 : 0;
    m.text = code;
    send(c, m);
}

void LobbyRig::join(ClientId c, const std::string& code, std::uint8_t flags) {
    Message m;
    m.type = MessageType::JoinRoom;
    m.flag = flags;
    m.text = code;
    send(c, m);
}

void LobbyRig::quick(ClientId c) {
    Message m;
    m.type = MessageType::QuickMatch;
    send(c, m);
}

void LobbyRig::leave(ClientId c) {
    Message m;
    m.type = MessageType::Leave;
    send(c, m);
}

void LobbyRig::resume(ClientId c, std::uint64_t token, const std::string& code) {
    Message m;
    m.type = MessageType::Resume;
    m.token = token;
    m.text = code;
    send(c, m);
}

void LobbyRig::rematch(ClientId c) {
    Message m;
    m.type = MessageType::Rematch;
    send(c, m);
}

void LobbyRig::inputs(ClientId c, int seat, std::uint32_t first, std::uint32_t count,
                      std::uint16_t keys) {
    Message m;
    m.type = MessageType::Inputs;
    m.seat = static_cast<std::uint8_t>(seat);
    m.number = first;
    m.held[seat] = first + count;
    for (std::uint32_t left = count; left > 0;) {
        const std::uint32_t n = left < maxRunFrames ? left : maxRunFrames;
        m.runs.push_back(InputRun{static_cast<std::uint16_t>(n), FrameInput{keys, 0}});
        left -= n;
    }
    send(c, m);
}

std::vector<FrameInput> LobbyRig::streamHeard(ClientId c, int seat) const {
    std::vector<FrameInput> stream;
    auto it = out.heard.find(c);
    if (it == out.heard.end()) {
        return stream;
    }
    for (const Message& m : it->second) {
        if (m.type == MessageType::Start) {
            stream.clear();
        } else if (m.type == MessageType::Inputs && m.seat == seat) {
            extendStream(stream, m, replayMaxFrames);
        }
    }
    return stream;
}

void LobbyRig::hash(ClientId c, std::uint32_t frame, std::uint32_t value) {
    Message m;
    m.type = MessageType::Hash;
    m.number = frame;
    m.hash = value;
    send(c, m);
}

void LobbyRig::result(ClientId c, std::uint32_t frames) {
    Message m;
    m.type = MessageType::Result;
    m.number = frames;
    send(c, m);
}

std::vector<Message> LobbyRig::heard(ClientId c, MessageType type) const {
    std::vector<Message> found;
    auto it = out.heard.find(c);
    if (it != out.heard.end()) {
        for (const Message& m : it->second) {
            if (m.type == type) {
                found.push_back(m);
            }
        }
    }
    return found;
}

Message LobbyRig::last(ClientId c, MessageType type) const {
    const std::vector<Message> all = heard(c, type);
    return all.empty() ? Message() : all.back();
}

} // namespace kokurin::testing
