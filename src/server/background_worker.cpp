// A plain queue under a mutex: the jobs are few (a match's end, a player's Identify, an API
// request) and each takes far longer than the queueing.
#include "background_worker.h"

namespace kokurin {

BackgroundWorker::BackgroundWorker(std::size_t cap) : cap_(cap), thread_([this] { work(); }) {}

BackgroundWorker::~BackgroundWorker() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

bool BackgroundWorker::run(std::function<void()> job, bool droppable) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stopping_ || (droppable && cap_ != 0 && jobs_.size() >= cap_)) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void BackgroundWorker::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace kokurin
