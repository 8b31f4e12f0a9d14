// Redis keys (one Redis may serve several process groups only by giving each its own Redis):
//   kokurin:room:CODE    owner's address, SET NX: the one process that holds the room
//   kokurin:info:CODE    hash of the room's public entry (names, spectators, playing, listed)
//   kokurin:listed       set of listed codes (members whose info expired are pruned on reading)
//   kokurin:quick        list of quick-match tickets, "ADDRESS CLIENT", oldest first
//   kokurin:alive:ADDR   present while the process at ADDR runs (tickets of dead ones are pruned)
// Every key but the two collections has a TTL that the owner refreshes a third of the way.
#include "redis_directory.h"

#include <hiredis/hiredis.h>

#include <cstdio>
#include <cstdlib>

namespace kokurin {

namespace {

const std::string roomKey = "kokurin:room:";
const std::string infoKey = "kokurin:info:";
const std::string listedKey = "kokurin:listed";
const std::string quickKey = "kokurin:quick";
const std::string aliveKey = "kokurin:alive:";

// The room key is set again only when it is missing or still this process's (a Redis that
// restarted, or a process that was cut off for longer than the TTL, must not steal a code
// that another process took meanwhile).
const char* refreshScript = "local v = redis.call('get', KEYS[1]) "
                            "if v == false or v == ARGV[1] then "
                            "redis.call('set', KEYS[1], ARGV[1], 'px', ARGV[2]) return 1 end "
                            "return 0";
// Deletes a room's keys only while this process holds it.
const char* releaseScript = "if redis.call('get', KEYS[1]) == ARGV[1] then "
                            "redis.call('del', KEYS[1], KEYS[2]) end "
                            "redis.call('srem', KEYS[3], ARGV[2]) return 0";

timeval millis(int ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

} // namespace

struct RedisDirectory::Reply {
    explicit Reply(redisReply* r) : reply(r) {}
    ~Reply() { freeReplyObject(reply); }
    bool isString() const { return reply->type == REDIS_REPLY_STRING; }
    std::string text() const { return std::string(reply->str, reply->len); }
    redisReply* reply;
};

RedisDirectory::RedisDirectory(std::string host, int port, std::string address, std::uint32_t ttlMs)
    : host_(std::move(host)), port_(port), address_(std::move(address)), ttlMs_(ttlMs) {}

RedisDirectory::~RedisDirectory() {
    if (context_ != nullptr) {
        // This process's rooms go at once rather than at their TTL.
        std::vector<std::string> codes;
        for (const auto& room : rooms_) {
            codes.push_back(room.first);
        }
        for (const std::string& code : codes) {
            release(code);
        }
        for (std::uint64_t client : std::vector<std::uint64_t>(waiters_)) {
            removeWaiter(client);
        }
        if (context_ != nullptr) {
            command({"DEL", aliveKey + address_});
        }
    }
    if (context_ != nullptr) {
        redisFree(context_);
    }
}

bool RedisDirectory::connect(std::string& error) {
    // Short timeouts: the server's one thread waits on these calls.
    redisContext* c =
        redisConnectWithTimeout(host_.c_str(), port_, millis(everConnected_ ? 200 : 2000));
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
    everConnected_ = true;
    refresh();
    for (std::uint64_t client : waiters_) {
        // A Redis that came back (perhaps empty) hears of this process's waiters again.
        pipeline({{"LREM", quickKey, "0", ticket(client)}, {"RPUSH", quickKey, ticket(client)}},
                 nullptr);
    }
    return context_ != nullptr;
}

void RedisDirectory::lost(const char* what) {
    // Said once per loss: the process goes on with its own rooms until Redis is back.
    std::fprintf(stderr,
                 "kokurin-server: lost Redis at %s:%d (%s); serving this process's rooms only "
                 "until it is back\n",
                 host_.c_str(), port_, what);
    redisFree(context_);
    context_ = nullptr;
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
    for (std::size_t i = 0; i < commands.size(); ++i) {
        void* raw = nullptr;
        if (redisGetReply(context_, &raw) != REDIS_OK || raw == nullptr) {
            lost(context_->errstr[0] != '\0' ? context_->errstr : "no answer");
            return false;
        }
        auto reply = std::make_unique<Reply>(static_cast<redisReply*>(raw));
        if (replies != nullptr) {
            replies->push_back(std::move(reply));
        }
    }
    return true;
}

bool RedisDirectory::claim(const std::string& code) {
    auto reply = command({"SET", roomKey + code, address_, "NX", "PX", std::to_string(ttlMs_)});
    if (reply == nullptr) {
        return true;
    }
    return reply->reply->type == REDIS_REPLY_STATUS;
}

bool RedisDirectory::ownerOf(const std::string& code, std::string& address) {
    auto reply = command({"GET", roomKey + code});
    if (reply == nullptr || !reply->isString() || reply->text() == address_) {
        return false;
    }
    address = reply->text();
    return true;
}

std::vector<std::string> RedisDirectory::publishCommand(const Published& room) const {
    return {"HSET",       infoKey + room.entry.code,
            "n0",         room.entry.names[0],
            "n1",         room.entry.names[1],
            "spectators", std::to_string(room.entry.spectators),
            "playing",    std::to_string(room.entry.playing),
            "listed",     room.listed ? "1" : "0"};
}

void RedisDirectory::publish(const net::RoomEntry& room, bool listed) {
    Published& entry = rooms_[room.code];
    entry.entry = room;
    entry.listed = listed;
    std::vector<std::vector<std::string>> commands = {
        publishCommand(entry), {"PEXPIRE", infoKey + room.code, std::to_string(ttlMs_)}};
    if (listed) {
        commands.push_back({"SADD", listedKey, room.code});
    }
    pipeline(commands, nullptr);
}

void RedisDirectory::release(const std::string& code) {
    rooms_.erase(code);
    command(
        {"EVAL", releaseScript, "3", roomKey + code, infoKey + code, listedKey, address_, code});
}

std::vector<net::RoomEntry> RedisDirectory::listedRooms(std::size_t most) {
    std::vector<net::RoomEntry> list;
    auto members = command({"SMEMBERS", listedKey});
    if (members == nullptr || members->reply->type != REDIS_REPLY_ARRAY) {
        // Alone: this process's own listed rooms.
        for (const auto& room : rooms_) {
            if (room.second.listed && list.size() < most) {
                list.push_back(room.second.entry);
            }
        }
        return list;
    }
    std::vector<std::string> codes;
    for (std::size_t i = 0; i < members->reply->elements; ++i) {
        const redisReply* r = members->reply->element[i];
        codes.emplace_back(r->str, r->len);
    }
    std::vector<std::vector<std::string>> reads;
    for (const std::string& code : codes) {
        reads.push_back({"HMGET", infoKey + code, "n0", "n1", "spectators", "playing", "listed"});
    }
    std::vector<std::unique_ptr<Reply>> replies;
    if (!pipeline(reads, &replies)) {
        return list;
    }
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
        if (field(4) != "1" || list.size() >= most) {
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
    return list;
}

std::string RedisDirectory::ticket(std::uint64_t client) const {
    return address_ + " " + std::to_string(client);
}

void RedisDirectory::addWaiter(std::uint64_t client) {
    waiters_.push_back(client);
    command({"RPUSH", quickKey, ticket(client)});
}

void RedisDirectory::removeWaiter(std::uint64_t client) {
    for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
        if (*it == client) {
            waiters_.erase(it);
            command({"LREM", quickKey, "1", ticket(client)});
            return;
        }
    }
}

std::string RedisDirectory::waiterElsewhere() {
    auto tickets = command({"LRANGE", quickKey, "0", "15"});
    if (tickets == nullptr || tickets->reply->type != REDIS_REPLY_ARRAY) {
        return "";
    }
    for (std::size_t i = 0; i < tickets->reply->elements; ++i) {
        const redisReply* r = tickets->reply->element[i];
        const std::string text(r->str, r->len);
        const std::string owner = text.substr(0, text.rfind(' '));
        if (owner == address_) {
            continue;
        }
        auto alive = command({"EXISTS", aliveKey + owner});
        if (alive == nullptr) {
            return "";
        }
        if (alive->reply->type == REDIS_REPLY_INTEGER && alive->reply->integer == 1) {
            return owner;
        }
        // The waiter's process died without taking its ticket back.
        command({"LREM", quickKey, "0", text});
    }
    return "";
}

void RedisDirectory::refresh() {
    const std::string ttl = std::to_string(ttlMs_);
    std::vector<std::vector<std::string>> commands = {{"SET", aliveKey + address_, "1", "PX", ttl}};
    for (const auto& room : rooms_) {
        const std::string& code = room.first;
        commands.push_back({"EVAL", refreshScript, "1", roomKey + code, address_, ttl});
        commands.push_back(publishCommand(room.second));
        commands.push_back({"PEXPIRE", infoKey + code, ttl});
        if (room.second.listed) {
            commands.push_back({"SADD", listedKey, code});
        }
    }
    pipeline(commands, nullptr);
}

void RedisDirectory::tick(std::uint32_t nowMs) {
    if (context_ == nullptr) {
        if (nowMs - lastAttempt_ >= 2000) {
            lastAttempt_ = nowMs;
            std::string error;
            if (connect(error)) {
                std::fprintf(stderr, "kokurin-server: Redis at %s:%d is back\n", host_.c_str(),
                             port_);
                lastRefresh_ = nowMs;
            }
        }
        return;
    }
    if (nowMs - lastRefresh_ >= ttlMs_ / 3) {
        lastRefresh_ = nowMs;
        refresh();
    }
}

} // namespace kokurin
