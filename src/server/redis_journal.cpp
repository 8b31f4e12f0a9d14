// The journal of the matches a process relays, in Redis, and the taking over of a dead process's
// rooms from it. Everything here runs on the directory's thread but the calls the lobby makes,
// which only queue.
//
//   kokurin:match:CODE   hash: number, listed, n0, n1 (names), h0, h1 (the seats' token hashes),
//                        start (the match's start, 2516 bytes)
//   kokurin:frames:CODE  stream: one entry per seat per write, s (seat), f (first frame),
//                        i (the frames, three bytes each)
//
// Both live as long as the room key's holder refreshes them, plus the journal's TTL. Every write
// is a script that first checks that this process still holds the room: a process that was cut
// off long enough for another to take its room over writes nothing more there.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "net/protocol.h"
#include "redis_directory.h"
#include "redis_keys.h"

namespace kokurin {

namespace {

// Taken by nobody (a Redis started again) the room is this process's once more.
#define KOKURIN_HOLDER_CHECK                                                                      \
    "local owner = redis.call('get', KEYS[1]) "                                                   \
    "if owner ~= false and owner ~= ARGV[1] then return 0 end "                                   \
    "if owner == false then redis.call('set', KEYS[1], ARGV[1], 'px', ARGV[2]) end "

const char* startScript =
    KOKURIN_HOLDER_CHECK "redis.call('del', KEYS[2], KEYS[3]) "
    "redis.call('hset', KEYS[2], 'number', ARGV[4], 'listed', ARGV[5], 'n0', ARGV[6], "
    "'n1', ARGV[7], 'h0', ARGV[8], 'h1', ARGV[9], 'start', ARGV[10]) "
    "redis.call('pexpire', KEYS[2], ARGV[3]) return 1";
// -1: the match's record is not the one these frames belong to (it is written again first).
const char* framesScript =
    KOKURIN_HOLDER_CHECK "if redis.call('hget', KEYS[2], 'number') ~= ARGV[4] then return -1 end "
    "for i = 5, #ARGV, 3 do "
    "redis.call('xadd', KEYS[3], '*', 's', ARGV[i], 'f', ARGV[i + 1], 'i', ARGV[i + 2]) end "
    "redis.call('pexpire', KEYS[3], ARGV[3]) return 1";
const char* endScript = "local owner = redis.call('get', KEYS[1]) "
                        "if owner == false or owner == ARGV[1] then "
                        "redis.call('del', KEYS[2], KEYS[3]) end return 0";
// The one atomic step of a takeover: a room whose holder is alive stays its; one whose holder is
// gone (or never was) and whose match is kept becomes this process's, and its journal is read in
// the same step. Two processes asking at once: the first takes it, the second hears where.
const char* adoptScript =
    "local owner = redis.call('get', KEYS[1]) "
    "if owner ~= false and owner ~= ARGV[1] and redis.call('exists', ARGV[3] .. owner) == 1 "
    "then return {'elsewhere', owner} end "
    "if redis.call('exists', KEYS[2]) == 0 then return {'nowhere'} end "
    "redis.call('set', KEYS[1], ARGV[1], 'px', ARGV[2]) "
    "return {'taken', redis.call('hgetall', KEYS[2]), redis.call('xrange', KEYS[3], '-', '+')}";

// Frames a stream entry holds at most (a minute): a journal written again after Redis came back
// goes in entries of a bounded size.
constexpr std::size_t framesPerEntry = 3600;
// Work waiting for the directory's thread past which a wish to take a room over is answered at
// once as unanswered: clients asking for rooms faster than Redis answers queue nothing more.
constexpr std::size_t maxQueuedJobs = 256;

std::string text(const redisReply* r) {
    return r != nullptr && r->type == REDIS_REPLY_STRING ? std::string(r->str, r->len)
                                                         : std::string();
}

bool wholeNumber(const std::string& s, std::uint32_t& value) {
    if (s.empty() || s.size() > 9) {
        return false;
    }
    std::uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<std::uint32_t>(c - '0');
    }
    value = v;
    return true;
}

// The journal as the adopt script read it; false when it is not a whole, sound match. An entry
// that starts past what is read so far is left out (a stream is read as far as it runs on; the
// players send again whatever lies past it).
bool readJournal(const redisReply* fields, const redisReply* entries, JournalMatch& read) {
    if (fields->type != REDIS_REPLY_ARRAY || entries->type != REDIS_REPLY_ARRAY) {
        return false;
    }
    std::string number;
    std::string start;
    for (std::size_t i = 0; i + 1 < fields->elements; i += 2) {
        const std::string name = text(fields->element[i]);
        const std::string value = text(fields->element[i + 1]);
        if (name == "number") {
            number = value;
        } else if (name == "listed") {
            read.listed = value == "1";
        } else if (name == "n0" || name == "n1") {
            read.names[name[1] - '0'] = value;
        } else if (name == "h0" || name == "h1") {
            read.tokenHashes[name[1] - '0'] = value;
        } else if (name == "start") {
            start = value;
        }
    }
    if (!wholeNumber(number, read.number) || read.number == 0 ||
        !decodeJournalStart(start, read.start)) {
        return false;
    }
    for (int s = 0; s < 2; ++s) {
        if (read.names[s].size() > net::maxNameBytes || read.tokenHashes[s].size() != 64) {
            return false;
        }
    }
    for (std::size_t e = 0; e < entries->elements; ++e) {
        const redisReply* entry = entries->element[e];
        if (entry->type != REDIS_REPLY_ARRAY || entry->elements != 2 ||
            entry->element[1]->type != REDIS_REPLY_ARRAY) {
            return false;
        }
        const redisReply* pairs = entry->element[1];
        std::string seat;
        std::string first;
        std::string bytes;
        for (std::size_t i = 0; i + 1 < pairs->elements; i += 2) {
            const std::string name = text(pairs->element[i]);
            (name == "s" ? seat : name == "f" ? first : bytes) = text(pairs->element[i + 1]);
        }
        std::uint32_t from = 0;
        if ((seat != "0" && seat != "1") || !wholeNumber(first, from)) {
            return false;
        }
        const int s = seat[0] - '0';
        std::vector<FrameInput>& stream = read.streams[s];
        std::vector<FrameInput> frames;
        if (!decodeJournalFrames(bytes, frames)) {
            return false;
        }
        if (from > stream.size()) {
            continue;
        }
        // An entry written again (after Redis came back) overlaps what is read: the rest of it.
        const std::size_t skip = stream.size() - from;
        if (skip < frames.size()) {
            stream.insert(stream.end(), frames.begin() + static_cast<long>(skip), frames.end());
        }
        if (stream.size() > replayMaxFrames) {
            return false;
        }
    }
    return true;
}

} // namespace

void RedisDirectory::journalStart(const JournalMatch& match) {
    std::lock_guard<std::mutex> lock(mutex_);
    Journal& journal = journal_[match.code];
    journal = Journal();
    journal.match = match;
    journal.match.streams[0].clear();
    journal.match.streams[1].clear();
    journal.generation = ++generations_;
}

void RedisDirectory::journalFrames(const std::string& code, int seat, std::uint32_t first,
                                   const FrameInput* frames, std::size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = journal_.find(code);
    if (found == journal_.end() || seat < 0 || seat > 1) {
        return;
    }
    std::string& kept = found->second.frames[seat];
    // The lobby hands every frame over once, in order.
    if (first == kept.size() / 3) {
        kept += encodeJournalFrames(frames, count);
    }
}

void RedisDirectory::journalEnd(const std::string& code) {
    std::lock_guard<std::mutex> lock(mutex_);
    journal_.erase(code);
    const std::vector<std::string> script = {"EVAL",
                                             endScript,
                                             "3",
                                             redis_keys::room + code,
                                             redis_keys::match + code,
                                             redis_keys::frames + code,
                                             address_};
    jobs_.push_back([this, script] { command(script); });
    wake_.notify_one();
}

void RedisDirectory::flushJournal() {
    // What to write of each match, gathered under the lock and written outside it.
    struct Write {
        std::string code;
        std::uint64_t generation = 0;
        std::size_t startReply = SIZE_MAX;
        std::size_t framesReply = SIZE_MAX;
        std::size_t upTo[2] = {0, 0};
    };
    const std::string roomTtl = std::to_string(ttlMs_);
    const std::string journalTtl = std::to_string(journalTtlMs_);
    std::vector<std::vector<std::string>> commands;
    std::vector<Write> writes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : journal_) {
            const std::string& code = entry.first;
            const Journal& j = entry.second;
            Write w;
            w.code = code;
            w.generation = j.generation;
            std::size_t from[2] = {j.framesWritten[0], j.framesWritten[1]};
            const std::vector<std::string> keys = {
                redis_keys::room + code, redis_keys::match + code, redis_keys::frames + code};
            if (!j.startWritten) {
                from[0] = from[1] = 0;
                w.startReply = commands.size();
                commands.push_back({"EVAL", startScript, "3", keys[0], keys[1], keys[2], address_,
                                    roomTtl, journalTtl, std::to_string(j.match.number),
                                    j.match.listed ? "1" : "0", j.match.names[0],
                                    j.match.names[1], j.match.tokenHashes[0],
                                    j.match.tokenHashes[1], encodeJournalStart(j.match.start)});
            }
            std::vector<std::string> frames = {"EVAL",  framesScript, "3",
                                               keys[0], keys[1],      keys[2],
                                               address_, roomTtl,     journalTtl,
                                               std::to_string(j.match.number)};
            for (int s = 0; s < 2; ++s) {
                w.upTo[s] = j.frames[s].size() / 3;
                for (std::size_t f = from[s]; f < w.upTo[s]; f += framesPerEntry) {
                    const std::size_t n = std::min(framesPerEntry, w.upTo[s] - f);
                    frames.push_back(std::to_string(s));
                    frames.push_back(std::to_string(f));
                    frames.push_back(j.frames[s].substr(3 * f, 3 * n));
                }
            }
            if (frames.size() > 10) {
                w.framesReply = commands.size();
                commands.push_back(std::move(frames));
            }
            if (w.startReply != SIZE_MAX || w.framesReply != SIZE_MAX) {
                writes.push_back(w);
            }
        }
    }
    std::vector<std::unique_ptr<Reply>> replies;
    if (commands.empty() || !pipeline(commands, &replies)) {
        // Redis lost: everything is written again once it is back.
        return;
    }
    std::vector<std::string> taken;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Write& w : writes) {
            auto found = journal_.find(w.code);
            if (found == journal_.end() || found->second.generation != w.generation) {
                continue;
            }
            Journal& j = found->second;
            const Reply* start = w.startReply != SIZE_MAX ? replies[w.startReply].get() : nullptr;
            const Reply* frames =
                w.framesReply != SIZE_MAX ? replies[w.framesReply].get() : nullptr;
            if ((start != nullptr && start->isInteger(0)) ||
                (frames != nullptr && frames->isInteger(0))) {
                taken.push_back(w.code);
                continue;
            }
            if (start != nullptr && !start->isInteger(1)) {
                continue;
            }
            j.startWritten = true;
            if (frames == nullptr || frames->isInteger(1)) {
                j.framesWritten[0] = w.upTo[0];
                j.framesWritten[1] = w.upTo[1];
            } else if (frames->isInteger(-1)) {
                // The record is not there (Redis lost it between two writes): all again.
                j.startWritten = false;
                j.framesWritten[0] = j.framesWritten[1] = 0;
            }
        }
    }
    for (const std::string& code : taken) {
        roomTaken(code);
    }
}

void RedisDirectory::roomTaken(const std::string& code) {
    std::fprintf(stderr, "kokurin-server: room %s was taken over by another process\n",
                 code.c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    journal_.erase(code);
    rooms_.erase(code);
    lostRooms_.push_back(code);
}

void RedisDirectory::adopt(const std::string& code) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || (busySince_ != 0 && redis_keys::steadyMs() - busySince_ > 200) ||
        jobs_.size() >= maxQueuedJobs) {
        // Redis lost, hung or behind: nobody can say now; the lobby answers for itself.
        Adoption answer;
        answer.code = code;
        answers_.push_back(std::move(answer));
        return;
    }
    jobs_.push_back([this, code] { takeOver(code); });
    wake_.notify_one();
}

void RedisDirectory::takeOver(const std::string& code) {
    Adoption answer;
    answer.code = code;
    auto reply = command({"EVAL", adoptScript, "3", redis_keys::room + code,
                          redis_keys::match + code, redis_keys::frames + code, address_,
                          std::to_string(ttlMs_), redis_keys::alive});
    const redisReply* r = reply != nullptr ? reply->reply : nullptr;
    const std::string word =
        r != nullptr && r->type == REDIS_REPLY_ARRAY && r->elements >= 1 ? text(r->element[0]) : "";
    if (word == "elsewhere" && r->elements == 2) {
        answer.outcome = Adoption::Outcome::Elsewhere;
        answer.address = text(r->element[1]);
    } else if (word == "nowhere") {
        answer.outcome = Adoption::Outcome::Nowhere;
    } else if (word == "taken" && r->elements == 3) {
        answer.match.code = code;
        if (readJournal(r->element[1], r->element[2], answer.match)) {
            answer.outcome = Adoption::Outcome::Taken;
            installJournal(answer.match);
            std::fprintf(stderr,
                         "kokurin-server: took over room %s: match #%u at frames %zu and %zu\n",
                         code.c_str(), static_cast<unsigned>(answer.match.number),
                         answer.match.streams[0].size(), answer.match.streams[1].size());
        } else {
            // A journal that cannot be read carries no match: it goes, and the room is free.
            std::fprintf(stderr, "kokurin-server: the journal of room %s is damaged; dropped\n",
                         code.c_str());
            answer.match = JournalMatch();
            answer.outcome = Adoption::Outcome::Nowhere;
            command({"DEL", redis_keys::room + code, redis_keys::match + code,
                     redis_keys::frames + code});
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(std::move(answer));
}

void RedisDirectory::installJournal(const JournalMatch& match) {
    std::lock_guard<std::mutex> lock(mutex_);
    Journal& journal = journal_[match.code];
    journal = Journal();
    journal.match = match;
    for (int s = 0; s < 2; ++s) {
        journal.frames[s] = encodeJournalFrames(match.streams[s].data(), match.streams[s].size());
        journal.framesWritten[s] = match.streams[s].size();
        journal.match.streams[s].clear();
    }
    journal.generation = ++generations_;
    journal.startWritten = true;
}

std::vector<Adoption> RedisDirectory::adoptions() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Adoption> answers;
    answers.swap(answers_);
    return answers;
}

std::vector<std::string> RedisDirectory::roomsLost() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lost;
    lost.swap(lostRooms_);
    return lost;
}

} // namespace kokurin
