// The folder kokurin-server saves every match's replay in: names it makes itself from a room's
// code and match number, files created only where none is (never over another), and a bound on
// how many files and bytes it keeps (the oldest go first).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kokurin {

struct ReplayFolderLimits {
    std::size_t maxFiles = 10000;
    std::uint64_t maxBytes = std::uint64_t(1) << 30;
};

// Replays another writer keeps in the same folder under the same limits (the ranked store's,
// each with its row): which names are its, and how one of them goes when it is the oldest
// (false: it stays for now, and nothing newer goes instead).
struct SharedReplays {
    std::function<bool(const std::string& name)> owns;
    std::function<bool(const std::string& name)> release;
};

class ReplayFolder {
  public:
    // Counts the replays an earlier run left there (they count toward the limits, and go
    // first); half-written files an interrupted run left are removed.
    ReplayFolder(std::string dir, ReplayFolderLimits limits, SharedReplays shared = {});

    // A replay the other writer has just made, counted as the newest; the oldest past the
    // limits go.
    void adopt(const std::string& name, std::uint64_t size);

    // Saves the replay as CODE-MATCH.kkr, or CODE-MATCH-K.kkr with the first free K, then
    // removes the oldest replays past the limits. False, with a reason, when nothing was saved
    // (a code that is not a room code, a full disk); the folder is then as it was.
    bool save(const std::string& code, std::uint32_t match, const std::vector<std::uint8_t>& bytes,
              std::string& path, std::string& error);

    std::size_t files() const { return kept_.size(); }
    std::uint64_t bytes() const { return bytes_; }

  private:
    struct Kept {
        std::string name;
        std::uint64_t size;
    };
    void prune();

    std::mutex lock_;
    std::string dir_;
    ReplayFolderLimits limits_;
    SharedReplays shared_;
    // Oldest first.
    std::deque<Kept> kept_;
    std::uint64_t bytes_ = 0;
    std::uint64_t written_ = 0;
};

// Whether a file name is one the folder makes (CODE-MATCH.kkr or CODE-MATCH-K.kkr).
bool isSavedReplayName(const std::string& name);

} // namespace kokurin
