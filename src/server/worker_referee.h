// The server's referee: re-plays finished matches on a few worker threads so the relay never
// waits for one, and hands each result back through the network loop's own queue. Each check
// steps a match value of its own, so the workers check side by side.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "match_referee.h"

namespace kokurin {

class WorkerReferee : public MatchReferee {
  public:
    // Runs a function on the lobby's thread later (the network loop's post).
    using Post = std::function<void(std::function<void()>)>;

    WorkerReferee(int threads, Post post);
    // Stops the workers once the check each is running ends; checks not begun are dropped.
    ~WorkerReferee() override;

    MatchStart makeStart(std::uint32_t seed) override;
    void check(MatchToCheck match, std::function<void(Replay)> done) override;

  private:
    struct Job {
        MatchToCheck match;
        std::function<void(Replay)> done;
    };
    void work();

    Post post_;
    std::mutex queueLock_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace kokurin
