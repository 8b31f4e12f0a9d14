// The rooms and quick-match waiters that several server processes share. The lobby asks it
// before it makes a room, tells it whenever a room changes and lets it go when the room does;
// a lobby without one (the default) keeps everything in its own process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace kokurin {

class RoomDirectory {
  public:
    virtual ~RoomDirectory() = default;

    // This process's WebSocket address, the one other processes send players to.
    virtual const std::string& address() const = 0;
    // Takes the code for this process; false when another process holds it. A directory that
    // cannot reach its store answers true: the process goes on alone.
    virtual bool claim(const std::string& code) = 0;
    // The address of the process that holds a room this one does not; false when none does.
    virtual bool ownerOf(const std::string& code, std::string& address) = 0;
    // A room this process holds, as the public list shows it (listed or not).
    virtual void publish(const net::RoomEntry& room, bool listed) = 0;
    virtual void release(const std::string& code) = 0;
    // The listed rooms of every process, at most `most`.
    virtual std::vector<net::RoomEntry> listedRooms(std::size_t most) = 0;

    // Quick match: a player of this process waits (or no longer does)...
    virtual void addWaiter(std::uint64_t client) = 0;
    virtual void removeWaiter(std::uint64_t client) = 0;
    // ...and the address of another process where a player waits (empty: none).
    virtual std::string waiterElsewhere() = 0;

    // Called a few times a second: keeps this process's entries alive.
    virtual void tick(std::uint32_t nowMs) = 0;
};

} // namespace kokurin
