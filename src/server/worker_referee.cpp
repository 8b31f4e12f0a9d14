// Workers take checks in the order they came; the start of a match is made on the caller's
// thread from the seed alone.
#include "worker_referee.h"

#include "match_check.h"

namespace kokurin {

WorkerReferee::WorkerReferee(int threads, Post post) : post_(std::move(post)) {
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i) {
        workers_.emplace_back([this] { work(); });
    }
}

WorkerReferee::~WorkerReferee() {
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

MatchStart WorkerReferee::makeStart(std::uint32_t seed) {
    // A fresh generator state from the given seed, no rotation, no key held; the match is built
    // from the start as a replay's is, so the clients need nothing else.
    return freshMatchStart(0, seed);
}

void WorkerReferee::check(MatchToCheck match, std::function<void(Replay)> done) {
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        queue_.push_back(Job{std::move(match), std::move(done)});
    }
    wake_.notify_one();
}

void WorkerReferee::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(queueLock_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        Replay replay = replayStreams(job.match.start, job.match.streams[0],
                                      job.match.streams[1], job.match.frames);
        auto done = std::move(job.done);
        post_([done, replay = std::move(replay)]() mutable { done(std::move(replay)); });
    }
}

} // namespace kokurin
