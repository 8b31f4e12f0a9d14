// The rooms and quick-match waiters of one server process whose rooms are spread over several
// event loops (--threads): which loop holds each room code, the listed rooms, and who waits for
// a quick match where. Each loop's lobby sees it through a view of its own (a RoomDirectory, as
// several processes share one through Redis); a room another loop holds has the address
// "PROCESS#thread:N" (PROCESS empty without Redis), and the lobby hands the connection over to
// that loop instead of sending the player away. With a directory of several processes behind it
// (Redis), what is not this process's is asked there. The lobby asks it only to make, find, list
// and let go of rooms and to queue: never while relaying, so its one lock is never on the relay's
// way.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "room_directory.h"

namespace kokurin {

class LoopDirectory {
  public:
    // processes: the directory several processes share (nullptr: this process alone); it is
    // asked under this directory's lock, one loop at a time, and ticked by loop 0's lobby.
    LoopDirectory(int loops, RoomDirectory* processes);
    ~LoopDirectory();
    RoomDirectory& view(int loop);
    // The address of an event loop of this process, and the loop of this process an address
    // names (false when it names none). Addresses sort as their processes' do, then by loop,
    // so that two loops or processes whose players wait alone agree which goes to the other.
    std::string addressOf(int loop) const;
    bool loopOf(const std::string& address, int& loop) const;

  private:
    class View;
    friend class View;
    struct Listed {
        net::RoomEntry entry;
        bool listed = false;
    };
    std::mutex lock_;
    RoomDirectory* processes_;
    std::map<std::string, int> owner_;
    std::map<std::string, Listed> rooms_;
    // Per loop: its quick-match waiters, and whether a newcomer there is about to wait.
    std::vector<std::vector<std::uint64_t>> waiters_;
    std::vector<bool> aboutToWait_;
    // Takeovers: which loop asked for each room, and per loop the answers and the rooms another
    // process took over, sorted out of the processes' directory by collect().
    std::map<std::string, std::vector<int>> asker_;
    std::vector<std::vector<Adoption>> adoptions_;
    std::vector<std::vector<std::string>> lost_;
    void collect();
    std::vector<std::unique_ptr<View>> views_;
};

} // namespace kokurin
