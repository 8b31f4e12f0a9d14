// What the two halves of the Redis directory share (redis_directory.cpp, the lobby's entries, and
// redis_journal.cpp, the matches' journal): the keys, a reply kept for as long as it is read, and
// the clock. Every key is under kokurin: (one Redis serves one group of processes).
#pragma once

#include <hiredis/hiredis.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "redis_directory.h"

namespace kokurin {

namespace redis_keys {

const std::string room = "kokurin:room:";
const std::string info = "kokurin:info:";
const std::string listed = "kokurin:listed";
const std::string quick = "kokurin:quick";
const std::string alive = "kokurin:alive:";
const std::string servers = "kokurin:servers";
const std::string match = "kokurin:match:";
const std::string frames = "kokurin:frames:";

inline std::uint64_t steadyMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace redis_keys

struct RedisDirectory::Reply {
    explicit Reply(redisReply* r) : reply(r) {}
    ~Reply() { freeReplyObject(reply); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    bool isString() const { return reply->type == REDIS_REPLY_STRING; }
    std::string text() const { return std::string(reply->str, reply->len); }
    bool isInteger(long long value) const {
        return reply->type == REDIS_REPLY_INTEGER && reply->integer == value;
    }
    redisReply* reply;
};

} // namespace kokurin
