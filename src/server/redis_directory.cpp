// Redis keys (one Redis may serve several process groups only by giving each its own Redis):
//   kokurin:room:CODE    owner's address, SET NX: the one process that holds the room
//   kokurin:info:CODE    hash of the room's public entry (names, spectators, playing, listed)
//   kokurin:listed       set of listed codes (members whose info expired are pruned on reading)
//   kokurin:quick        list of quick-match tickets, "ADDRESS CLIENT", oldest first
//   kokurin:alive:ADDR   present while the process at ADDR runs (tickets of dead ones are pruned,
//                        its rooms may be taken over once it is gone)
//   kokurin:servers      set of the processes' addresses (members without alive are pruned)
//   kokurin:match:CODE   the journal of the room's match in play (redis_journal.cpp)
//   kokurin:frames:CODE  its streams
// Every key but the collections has a TTL that the owner refreshes a third of the way.
#include "redis_directory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "redis_keys.h"

namespace kokurin {

namespace {

using redis_keys::steadyMs;
const std::string& roomKey = redis_keys::room;
const std::string& infoKey = redis_keys::info;
const std::string& listedKey = redis_keys::listed;
const std::string& quickKey = redis_keys::quick;
const std::string& aliveKey = redis_keys::alive;

// The room key is set again only when it is missing or still this process's (a Redis that
// restarted, or a process that was cut off for longer than the TTL, must not steal a code
// that another process took meanwhile).
const char* refreshScript = "local v = redis.call('get', KEYS[1]) "
                            "if v == false or v == ARGV[1] then "
                            "redis.call('set', KEYS[1], ARGV[1], 'px', ARGV[2]) return 1 end "
                            "return 0";
// Deletes a room's keys (its journal too) only while this process holds it.
const char* releaseScript = "if redis.call('get', KEYS[1]) == ARGV[1] then "
                            "redis.call('del', KEYS[1], KEYS[2], KEYS[4], KEYS[5]) end "
                            "redis.call('srem', KEYS[3], ARGV[2]) return 0";
// A process that stops lets its rooms go but leaves the journals of their matches, so that the
// players' next process takes them over at once.
const char* handOverScript = "if redis.call('get', KEYS[1]) == ARGV[1] then "
                             "redis.call('del', KEYS[1], KEYS[2]) end "
                             "redis.call('srem', KEYS[3], ARGV[2]) return 0";
// A code is free when nobody holds it, when its holder is gone (no alive key) or is this process
// (a process started again at the same address), and no match of it is kept to be taken over.
const char* claimScript =
    "local owner = redis.call('get', KEYS[1]) "
    "if owner ~= false and owner ~= ARGV[1] and redis.call('exists', ARGV[3] .. owner) == 1 "
    "then return 0 end "
    "if redis.call('exists', KEYS[2]) == 1 then return 0 end "
    "redis.call('set', KEYS[1], ARGV[1], 'px', ARGV[2]) return 1";

// How long the relay's thread may wait for Redis's answer to a question.
constexpr std::uint64_t answerWaitMs = 200;

timeval millis(int ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

} // namespace

// A question's answer: answered false when Redis did not answer it.
struct RedisDirectory::Question {
    bool done = false;
    bool answered = false;
    bool yes = false;
    std::string text;
};

RedisDirectory::RedisDirectory(std::string host, int port, std::string address, std::uint32_t ttlMs)
    : host_(std::move(host)), port_(port), address_(std::move(address)), ttlMs_(ttlMs),
      aliveMs_(std::min<std::uint32_t>(ttlMs, 3000)) {}

RedisDirectory::~RedisDirectory() {
    if (thread_.joinable()) {
        // The journal is written to its end; then this process's rooms go at once rather than at
        // their TTL, those with a match in play handed over (each call bounded by the
        // connection's timeout; a lost connection skips the rest).
        std::vector<std::string> handed;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const auto& entry : journal_) {
                handed.push_back(entry.first);
                rooms_.erase(entry.first);
            }
        }
        later([this, handed] {
            flushJournal();
            for (const std::string& code : handed) {
                command({"EVAL", handOverScript, "3", roomKey + code, infoKey + code, listedKey,
                         address_, code});
            }
        });
        for (const auto& room : ownRooms()) {
            release(room.first);
        }
        std::vector<std::uint64_t> waiting;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting = waiters_;
        }
        for (std::uint64_t client : waiting) {
            removeWaiter(client);
        }
        later([this] {
            pipeline({{"DEL", aliveKey + address_}, {"SREM", redis_keys::servers, address_}},
                     nullptr);
        });
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    if (context_ != nullptr) {
        redisFree(context_);
    }
}

bool RedisDirectory::open(int connectMs, std::string& error) {
    redisContext* c = redisConnectWithTimeout(host_.c_str(), port_, millis(connectMs));
    if (c == nullptr || c->err != 0) {
        error = c != nullptr ? c->errstr : "out of memory";
        if (c != nullptr) {
            redisFree(c);
        }
        return false;
    }
    redisSetTimeout(c, millis(500));
    context_ = c;
    auto pong = command({"PING"});
    if (pong == nullptr || pong->reply->type == REDIS_REPLY_ERROR) {
        error = pong != nullptr ? pong->text() : "no answer to PING";
        if (context_ != nullptr) {
            redisFree(context_);
            context_ = nullptr;
        }
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connected_ = true;
        // Whatever Redis held of the journal may be gone with it (a Redis started again): every
        // match is written again from its start.
        for (auto& entry : journal_) {
            entry.second.startWritten = false;
            entry.second.framesWritten[0] = entry.second.framesWritten[1] = 0;
        }
    }
    refreshAlive();
    refresh();
    std::vector<std::uint64_t> waiting;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting = waiters_;
    }
    for (std::uint64_t client : waiting) {
        // A Redis that came back (perhaps empty) hears of this process's waiters again.
        pipeline({{"LREM", quickKey, "0", ticket(client)}, {"RPUSH", quickKey, ticket(client)}},
                 nullptr);
    }
    readRoomList();
    return context_ != nullptr;
}

bool RedisDirectory::connect(std::string& error) {
    if (!open(2000, error)) {
        return false;
    }
    thread_ = std::thread([this] { work(); });
    return true;
}

bool RedisDirectory::reachable() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_;
}

void RedisDirectory::work() {
    std::uint64_t lastRefresh = steadyMs();
    std::uint64_t lastAlive = steadyMs();
    std::uint64_t lastList = steadyMs();
    std::uint64_t lastAttempt = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // The journal is written every 50 ms: a process that dies loses at most that much, and
        // the players send again what they sent meanwhile.
        wake_.wait_for(lock, std::chrono::milliseconds(50),
                       [this] { return stopping_ || !jobs_.empty(); });
        std::deque<std::function<void()>> due;
        due.swap(jobs_);
        const bool stop = stopping_;
        lock.unlock();
        for (auto& job : due) {
            job();
        }
        if (stop) {
            return;
        }
        const std::uint64_t now = steadyMs();
        if (context_ == nullptr) {
            if (now - lastAttempt >= 2000) {
                lastAttempt = now;
                std::string error;
                if (open(200, error)) {
                    std::fprintf(stderr, "kokurin-server: Redis at %s:%d is back\n",
                                 host_.c_str(), port_);
                    lastRefresh = lastList = lastAlive = steadyMs();
                }
            }
        } else {
            flushJournal();
            if (now - lastAlive >= aliveMs_ / 3) {
                lastAlive = now;
                refreshAlive();
            }
            if (now - lastRefresh >= ttlMs_ / 3) {
                lastRefresh = now;
                refresh();
            }
            // The room list is read once a second, whoever asks how often.
            if (now - lastList >= 1000) {
                lastList = now;
                readRoomList();
            }
        }
        lock.lock();
    }
}

void RedisDirectory::later(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool RedisDirectory::ask(const std::function<void(Question&)>& job, Question& answer) {
    auto question = std::make_shared<Question>();
    std::unique_lock<std::mutex> lock(mutex_);
    if (!connected_ || (busySince_ != 0 && steadyMs() - busySince_ > answerWaitMs)) {
        return false;
    }
    jobs_.push_back([this, question, job] {
        Question found;
        job(found);
        std::lock_guard<std::mutex> done(mutex_);
        *question = found;
        question->done = true;
        answered_.notify_all();
    });
    wake_.notify_one();
    if (!answered_.wait_for(lock, std::chrono::milliseconds(answerWaitMs),
                            [&] { return question->done; })) {
        return false;
    }
    answer = *question;
    return answer.answered;
}

std::map<std::string, RedisDirectory::Published> RedisDirectory::ownRooms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rooms_;
}

void RedisDirectory::lost(const char* what) {
    // Said once per loss: the process goes on with its own rooms until Redis is back.
    std::fprintf(stderr,
                 "kokurin-server: lost Redis at %s:%d (%s); serving this process's rooms only "
                 "until it is back\n",
                 host_.c_str(), port_, what);
    redisFree(context_);
    context_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = false;
    roomList_.clear();
}

std::unique_ptr<RedisDirectory::Reply>
RedisDirectory::command(const std::vector<std::string>& args) {
    std::vector<std::unique_ptr<Reply>> replies;
    if (!pipeline({args}, &replies)) {
        return nullptr;
    }
    return std::move(replies[0]);
}

bool RedisDirectory::pipeline(const std::vector<std::vector<std::string>>& commands,
                              std::vector<std::unique_ptr<Reply>>* replies) {
    if (context_ == nullptr) {
        return false;
    }
    for (const auto& args : commands) {
        std::vector<const char*> argv;
        std::vector<std::size_t> lengths;
        for (const std::string& arg : args) {
            argv.push_back(arg.data());
            lengths.push_back(arg.size());
        }
        redisAppendCommandArgv(context_, static_cast<int>(argv.size()), argv.data(),
                               lengths.data());
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busySince_ = steadyMs();
    }
    bool ok = true;
    for (std::size_t i = 0; i < commands.size() && ok; ++i) {
        void* raw = nullptr;
        if (redisGetReply(context_, &raw) != REDIS_OK || raw == nullptr) {
            ok = false;
            break;
        }
        auto reply = std::make_unique<Reply>(static_cast<redisReply*>(raw));
        if (replies != nullptr) {
            replies->push_back(std::move(reply));
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busySince_ = 0;
    }
    if (!ok) {
        lost(context_->errstr[0] != '\0' ? context_->errstr : "no answer");
    }
    return ok;
}

bool RedisDirectory::claim(const std::string& code) {
    const std::vector<std::string> script = {
        "EVAL",   claimScript, "2", roomKey + code, redis_keys::match + code,
        address_, std::to_string(ttlMs_), aliveKey};
    Question answer;
    if (!ask(
            [this, script](Question& q) {
                auto reply = command(script);
                q.answered = reply != nullptr;
                q.yes = reply != nullptr && reply->isInteger(1);
            },
            answer)) {
        return true;
    }
    return answer.yes;
}

bool RedisDirectory::ownerOf(const std::string& code, std::string& address) {
    const std::string key = roomKey + code;
    Question answer;
    if (!ask(
            [this, key](Question& q) {
                auto reply = command({"GET", key});
                q.answered = reply != nullptr;
                if (reply != nullptr && reply->isString()) {
                    q.yes = true;
                    q.text = reply->text();
                }
            },
            answer) ||
        !answer.yes || answer.text == address_) {
        return false;
    }
    address = answer.text;
    return true;
}

std::vector<std::string> RedisDirectory::publishCommand(const std::string& code,
                                                        const Published& room) const {
    return {"HSET",       infoKey + code,
            "n0",         room.entry.names[0],
            "n1",         room.entry.names[1],
            "spectators", std::to_string(room.entry.spectators),
            "playing",    std::to_string(room.entry.playing),
            "listed",     room.listed ? "1" : "0"};
}

void RedisDirectory::publish(const net::RoomEntry& room, bool listed) {
    Published entry;
    entry.entry = room;
    entry.listed = listed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rooms_[room.code] = entry;
    }
    std::vector<std::vector<std::string>> commands = {
        publishCommand(room.code, entry), {"PEXPIRE", infoKey + room.code, std::to_string(ttlMs_)}};
    if (listed) {
        commands.push_back({"SADD", listedKey, room.code});
    }
    later([this, commands] { pipeline(commands, nullptr); });
}

void RedisDirectory::release(const std::string& code) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rooms_.erase(code);
        journal_.erase(code);
        released_[code] = ++releases_;
    }
    const std::vector<std::string> script = {"EVAL",
                                             releaseScript,
                                             "5",
                                             roomKey + code,
                                             infoKey + code,
                                             listedKey,
                                             redis_keys::match + code,
                                             redis_keys::frames + code,
                                             address_,
                                             code};
    later([this, script] { command(script); });
}

std::vector<net::RoomEntry> RedisDirectory::listedRooms(std::size_t most) {
    // This process's own rooms as they are now, then the others' as last read.
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<net::RoomEntry> list;
    for (const auto& room : rooms_) {
        if (room.second.listed && list.size() < most) {
            list.push_back(room.second.entry);
        }
    }
    for (const net::RoomEntry& entry : roomList_) {
        if (list.size() < most && rooms_.count(entry.code) == 0 &&
            released_.count(entry.code) == 0) {
            list.push_back(entry);
        }
    }
    return list;
}

void RedisDirectory::readRoomList() {
    std::uint64_t releasesBefore = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        releasesBefore = releases_;
    }
    auto members = command({"SMEMBERS", listedKey});
    if (members == nullptr || members->reply->type != REDIS_REPLY_ARRAY) {
        return;
    }
    std::vector<std::string> codes;
    for (std::size_t i = 0; i < members->reply->elements; ++i) {
        const redisReply* r = members->reply->element[i];
        if (r->type == REDIS_REPLY_STRING) {
            codes.emplace_back(r->str, r->len);
        }
    }
    std::vector<std::vector<std::string>> reads;
    for (const std::string& code : codes) {
        reads.push_back({"HMGET", infoKey + code, "n0", "n1", "spectators", "playing", "listed"});
    }
    std::vector<std::unique_ptr<Reply>> replies;
    if (!reads.empty() && !pipeline(reads, &replies)) {
        return;
    }
    std::vector<net::RoomEntry> list;
    std::vector<std::vector<std::string>> prune;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const redisReply* r = replies[i]->reply;
        const bool present = r->type == REDIS_REPLY_ARRAY && r->elements == 5 &&
                             r->element[0]->type == REDIS_REPLY_STRING;
        if (!present) {
            // Its owner stopped refreshing it: the process is gone.
            prune.push_back({"SREM", listedKey, codes[i]});
            continue;
        }
        auto field = [&](std::size_t k) {
            const redisReply* f = r->element[k];
            return f->type == REDIS_REPLY_STRING ? std::string(f->str, f->len) : std::string();
        };
        if (field(4) != "1" || list.size() >= 4 * net::maxListedRooms) {
            continue;
        }
        net::RoomEntry e;
        e.code = codes[i];
        e.names[0] = field(0);
        e.names[1] = field(1);
        e.spectators = static_cast<std::uint16_t>(std::strtoul(field(2).c_str(), nullptr, 10));
        e.playing = field(3) == "1" ? 1 : 0;
        list.push_back(e);
    }
    if (!prune.empty()) {
        pipeline(prune, nullptr);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    roomList_ = std::move(list);
    for (auto it = released_.begin(); it != released_.end();) {
        it = it->second <= releasesBefore ? released_.erase(it) : std::next(it);
    }
}

std::string RedisDirectory::ticket(std::uint64_t client) const {
    return address_ + " " + std::to_string(client);
}

void RedisDirectory::addWaiter(std::uint64_t client) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiters_.push_back(client);
    }
    const std::string entry = ticket(client);
    later([this, entry] { command({"RPUSH", quickKey, entry}); });
}

void RedisDirectory::removeWaiter(std::uint64_t client) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
        if (*it == client) {
            waiters_.erase(it);
            const std::string entry = ticket(client);
            jobs_.push_back([this, entry] { command({"LREM", quickKey, "1", entry}); });
            wake_.notify_one();
            return;
        }
    }
}

std::string RedisDirectory::waiterElsewhere() {
    Question answer;
    if (!ask(
            [this](Question& q) {
                auto tickets = command({"LRANGE", quickKey, "0", "15"});
                if (tickets == nullptr || tickets->reply->type != REDIS_REPLY_ARRAY) {
                    return;
                }
                q.answered = true;
                for (std::size_t i = 0; i < tickets->reply->elements; ++i) {
                    const redisReply* r = tickets->reply->element[i];
                    const std::string text(r->str, r->len);
                    const std::string owner = text.substr(0, text.rfind(' '));
                    if (owner == address_) {
                        continue;
                    }
                    auto alive = command({"EXISTS", aliveKey + owner});
                    if (alive == nullptr) {
                        q.answered = false;
                        return;
                    }
                    if (alive->reply->type == REDIS_REPLY_INTEGER && alive->reply->integer == 1) {
                        q.text = owner;
                        return;
                    }
                    // The waiter's process died without taking its ticket back.
                    command({"LREM", quickKey, "0", text});
                }
            },
            answer)) {
        return "";
    }
    return answer.text;
}

void RedisDirectory::refresh() {
    const std::string ttl = std::to_string(ttlMs_);
    const std::string journalTtl = std::to_string(journalTtlMs_);
    std::map<std::string, Published> rooms;
    std::vector<std::string> journaled;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rooms = rooms_;
        for (const auto& entry : journal_) {
            journaled.push_back(entry.first);
        }
    }
    std::vector<std::vector<std::string>> commands;
    // Where the refresh script of each room with a journaled match answers.
    std::vector<std::pair<std::size_t, std::string>> fenced;
    for (const auto& room : rooms) {
        const std::string& code = room.first;
        if (std::find(journaled.begin(), journaled.end(), code) != journaled.end()) {
            commands.push_back({"PEXPIRE", redis_keys::match + code, journalTtl});
            commands.push_back({"PEXPIRE", redis_keys::frames + code, journalTtl});
            fenced.emplace_back(commands.size(), code);
        }
        commands.push_back({"EVAL", refreshScript, "1", roomKey + code, address_, ttl});
        commands.push_back(publishCommand(code, room.second));
        commands.push_back({"PEXPIRE", infoKey + code, ttl});
        if (room.second.listed) {
            commands.push_back({"SADD", listedKey, code});
        }
    }
    std::vector<std::unique_ptr<Reply>> replies;
    if (commands.empty() || !pipeline(commands, &replies)) {
        return;
    }
    for (const auto& f : fenced) {
        // A room with a match in play that another process holds now has been taken over.
        if (replies[f.first]->isInteger(0)) {
            roomTaken(f.second);
        }
    }
}

void RedisDirectory::refreshAlive() {
    std::vector<std::unique_ptr<Reply>> replies;
    if (!pipeline({{"SET", aliveKey + address_, "1", "PX", std::to_string(aliveMs_)},
                   {"SADD", redis_keys::servers, address_},
                   {"SMEMBERS", redis_keys::servers}},
                  &replies) ||
        replies[2]->reply->type != REDIS_REPLY_ARRAY) {
        return;
    }
    std::vector<std::string> others;
    std::vector<std::vector<std::string>> checks;
    const redisReply* members = replies[2]->reply;
    for (std::size_t i = 0; i < members->elements; ++i) {
        const redisReply* r = members->element[i];
        if (r->type == REDIS_REPLY_STRING && std::string(r->str, r->len) != address_) {
            others.emplace_back(r->str, r->len);
            checks.push_back({"EXISTS", aliveKey + others.back()});
        }
    }
    std::vector<std::unique_ptr<Reply>> alive;
    if (!checks.empty() && !pipeline(checks, &alive)) {
        return;
    }
    std::vector<std::string> live = {address_};
    std::vector<std::vector<std::string>> prune;
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (alive[i]->isInteger(1)) {
            if (live.size() < net::maxServerAddresses) {
                live.push_back(others[i]);
            }
        } else {
            prune.push_back({"SREM", redis_keys::servers, others[i]});
        }
    }
    if (!prune.empty()) {
        pipeline(prune, nullptr);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    processes_ = std::move(live);
}

std::vector<std::string> RedisDirectory::processes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return processes_;
}

void RedisDirectory::tick(std::uint32_t) {
    // The directory's thread keeps its own time: nothing is done on the relay's.
}

} // namespace kokurin
