// The room directory in Redis (hiredis, blocking calls with short timeouts on the server's one
// thread): room codes claimed with SET NX, each room's public entry, the list of listed rooms,
// the quick-match tickets and this process's liveness key, all under TTLs this process keeps
// refreshing, so that the entries of a process that dies vanish by themselves.
#pragma once

#include <map>
#include <memory>
#include <string>

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
    // Connects and checks with a PING; false with the reason.
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

    bool reachable() const { return context_ != nullptr; }

  private:
    struct Published {
        net::RoomEntry entry;
        bool listed = false;
    };
    // One command; nullptr (and the connection given up) when Redis does not answer.
    struct Reply;
    std::unique_ptr<Reply> command(const std::vector<std::string>& args);
    // Several commands in one round trip; false when Redis does not answer.
    bool pipeline(const std::vector<std::vector<std::string>>& commands,
                  std::vector<std::unique_ptr<Reply>>* replies);
    void lost(const char* what);
    void refresh();
    std::vector<std::string> publishCommand(const Published& room) const;
    std::string ticket(std::uint64_t client) const;

    std::string host_;
    int port_;
    std::string address_;
    std::uint32_t ttlMs_;
    redisContext* context_ = nullptr;
    bool everConnected_ = false;
    std::uint32_t lastRefresh_ = 0;
    std::uint32_t lastAttempt_ = 0;
    std::map<std::string, Published> rooms_;
    std::vector<std::uint64_t> waiters_;
};

} // namespace kokurin
