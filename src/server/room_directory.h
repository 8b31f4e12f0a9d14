// The rooms and quick-match waiters that several server processes share. The lobby asks it
// before it makes a room, tells it whenever a room changes and lets it go when the room does;
// a lobby without one (the default) keeps everything in its own process. It also keeps the
// journal of each match this process relays, so that when a process dies another can take its
// rooms over and carry their matches on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "room_journal.h"

namespace kokurin {

// The answer to a wish to take a room over (RoomDirectory::adopt).
struct Adoption {
    enum class Outcome {
        // This process holds the room now: `match` is its match as the journal kept it.
        Taken,
        // A live process holds it, at `address`.
        Elsewhere,
        // No process holds it and no match of it is kept.
        Nowhere,
        // The store did not answer (lost, or too slow): nobody knows.
        Unanswered,
    };
    std::string code;
    Outcome outcome = Outcome::Unanswered;
    std::string address;
    JournalMatch match;
};

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

    // The journal of the matches this process relays: a match starts (its streams empty), its
    // seats' frames are accepted, its verdict is given (the journal of it goes). Nothing waits
    // for the store: what it has not taken yet is kept and written when it can be.
    // The address of this process's event loop where the ranked queue is, when it is another
    // than the asking lobby's (empty: the queue is here).
    virtual std::string rankedLoop() const { return std::string(); }
    // Whether the journal is kept anywhere (a directory of one process's event loops alone keeps
    // none, and nobody can take a room over).
    virtual bool keepsJournal() const { return true; }
    virtual void journalStart(const JournalMatch& match) = 0;
    virtual void journalFrames(const std::string& code, int seat, std::uint32_t first,
                               const FrameInput* frames, std::size_t count) = 0;
    virtual void journalEnd(const std::string& code) = 0;
    // Asks to take over a room this process does not hold: answered later, by adoptions(). A
    // room whose process is gone and whose match is kept is this process's once answered Taken
    // (one process wins); its journal goes on here.
    virtual void adopt(const std::string& code) = 0;
    virtual std::vector<Adoption> adoptions() = 0;
    // Rooms this process held that another process has taken over since the last call (this
    // one was cut off from the store past its liveness): their players belong there now.
    virtual std::vector<std::string> roomsLost() = 0;
    // The addresses of the live processes, this one's first (at most net::maxServerAddresses).
    virtual std::vector<std::string> processes() = 0;
};

} // namespace kokurin
