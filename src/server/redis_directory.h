// The room directory in Redis (hiredis). Every Redis call is made by a thread of the directory's
// own, never by the server's thread that relays the matches: what the lobby tells the directory
// (rooms published and released, waiters) is queued for that thread; the room list is read from
// a copy it refreshes once a second; the few questions that need Redis's answer now (claiming a
// code, who holds a room, where a player waits) wait for it at most 200 ms, and not at all while
// Redis is lost or already late with an answer: the process then answers alone, from its own
// rooms, until Redis answers again. Room codes are claimed with SET NX; each room's public entry,
// the list of listed rooms, the quick-match tickets and this process's liveness key are kept
// under TTLs this process keeps refreshing, so that the entries of a process that dies vanish by
// themselves. The journal of each match in play (redis_journal.cpp) is written by the same
// thread a few times a second, and a room whose process died is taken over from it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "room_directory.h"

struct redisContext;

namespace kokurin {

class RedisDirectory : public RoomDirectory {
  public:
    // host and port of the Redis server; ttlMs: how long an entry outlives its last refresh.
    RedisDirectory(std::string host, int port, std::string address, std::uint32_t ttlMs);
    ~RedisDirectory() override;

    // The address is known once the server listens (its port may be picked then).
    void setAddress(std::string address) { address_ = std::move(address); }
    // How long a match's journal outlives its last refresh (its process dead): long enough for
    // the players to come back to another process (the server's stall timeout and the TTL).
    void setJournalTtl(std::uint32_t ms) { journalTtlMs_ = ms; }
    // Connects and checks with a PING (on the calling thread, before serving), then starts the
    // directory's thread; false with the reason.
    bool connect(std::string& error);

    const std::string& address() const override { return address_; }
    bool claim(const std::string& code) override;
    bool ownerOf(const std::string& code, std::string& address) override;
    void publish(const net::RoomEntry& room, bool listed) override;
    void release(const std::string& code) override;
    std::vector<net::RoomEntry> listedRooms(std::size_t most) override;
    void addWaiter(std::uint64_t client) override;
    void removeWaiter(std::uint64_t client) override;
    std::string waiterElsewhere() override;
    void tick(std::uint32_t nowMs) override;
    void journalStart(const JournalMatch& match) override;
    void journalFrames(const std::string& code, int seat, std::uint32_t first,
                       const FrameInput* frames, std::size_t count) override;
    void journalEnd(const std::string& code) override;
    void adopt(const std::string& code) override;
    std::vector<Adoption> adoptions() override;
    std::vector<std::string> roomsLost() override;
    std::vector<std::string> processes() override;

    bool reachable() const;

  private:
    struct Published {
        net::RoomEntry entry;
        bool listed = false;
    };
    struct Reply;
    struct Question;
    // A match this process relays as its journal has it: the frames in the journal's bytes, and
    // how much of it Redis holds.
    struct Journal {
        JournalMatch match;
        std::string frames[2];
        // Bumped by each new match of the room: a write of an older one changes nothing.
        std::uint64_t generation = 0;
        bool startWritten = false;
        std::size_t framesWritten[2] = {0, 0};
    };

    // The directory's thread and what only it touches: the connection and its calls.
    void work();
    bool open(int connectMs, std::string& error);
    std::unique_ptr<Reply> command(const std::vector<std::string>& args);
    bool pipeline(const std::vector<std::vector<std::string>>& commands,
                  std::vector<std::unique_ptr<Reply>>* replies);
    void lost(const char* what);
    void refresh();
    void refreshAlive();
    void readRoomList();
    // The journal's part of the thread (redis_journal.cpp): what Redis lacks is written; a room
    // taken over is read.
    void flushJournal();
    void takeOver(const std::string& code);
    void installJournal(const JournalMatch& match);
    // A room another process has taken: it is no longer this one's.
    void roomTaken(const std::string& code);
    std::vector<std::string> publishCommand(const std::string& code, const Published& room) const;
    std::string ticket(std::uint64_t client) const;

    // Runs on the directory's thread in order with everything queued before.
    void later(std::function<void()> job);
    // Asks the directory's thread and waits for its answer (at most 200 ms; not at all while
    // Redis is lost or late). false: no answer, the process answers alone.
    bool ask(const std::function<void(Question&)>& job, Question& answer);
    std::map<std::string, Published> ownRooms() const;

    std::string host_;
    int port_;
    std::string address_;
    std::uint32_t ttlMs_;
    // The liveness key's TTL: short, since another process takes this one's rooms over once it
    // is gone.
    std::uint32_t aliveMs_;
    std::uint32_t journalTtlMs_ = 60000;
    redisContext* context_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable answered_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    bool connected_ = false;
    // When the thread's current Redis call began (0: none under way).
    std::uint64_t busySince_ = 0;
    std::map<std::string, Published> rooms_;
    std::vector<std::uint64_t> waiters_;
    // The listed rooms of every process as last read, and the codes this process let go since.
    std::vector<net::RoomEntry> roomList_;
    std::map<std::string, std::uint64_t> released_;
    std::uint64_t releases_ = 0;
    std::map<std::string, Journal> journal_;
    std::uint64_t generations_ = 0;
    std::vector<Adoption> answers_;
    std::vector<std::string> lostRooms_;
    std::vector<std::string> processes_;
    std::thread thread_;
};

} // namespace kokurin
