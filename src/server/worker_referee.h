// The server's referee: re-plays finished matches on a few worker threads so the relay never
// waits for one, and hands each result back through the network loop's own queue.
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
    // The game core's play keeps its state in process globals (the headless front end, the
    // shared generator), so one match is played at a time, and a start is never taken while
    // a check plays. Once the core's play is a value of its own this lock goes.
    std::unique_lock<std::mutex> lockCore() { return std::unique_lock<std::mutex>(core_); }

    Post post_;
    std::mutex core_;
    std::mutex queueLock_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace kokurin
