// One thread that runs jobs in the order they came, so that what may block (a database, a disk)
// never runs on the relay's thread. Jobs hand their results back through the network loop's own
// post. Destroying the worker waits for the job being run; jobs not begun are dropped.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kokurin {

class BackgroundWorker {
  public:
    // At most `cap` jobs wait; more are refused (0: no cap).
    explicit BackgroundWorker(std::size_t cap = 0);
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // False when the queue is full (the job is not run); a job that must not be dropped is
    // queued past the cap.
    bool run(std::function<void()> job, bool droppable = true);

  private:
    void work();

    std::size_t cap_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace kokurin
