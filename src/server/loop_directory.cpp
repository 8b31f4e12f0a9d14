// One lock around the maps; the views add the loop's own number to every question.
#include "loop_directory.h"

#include <algorithm>

namespace kokurin {

namespace {

const char loopMark[] = "#thread:";

} // namespace

std::string LoopDirectory::addressOf(int loop) const {
    return (processes_ != nullptr ? processes_->address() : std::string()) + loopMark +
           std::to_string(loop);
}

bool LoopDirectory::loopOf(const std::string& address, int& loop) const {
    const std::string prefix =
        (processes_ != nullptr ? processes_->address() : std::string()) + loopMark;
    if (address.size() <= prefix.size() || address.size() > prefix.size() + 3 ||
        address.compare(0, prefix.size(), prefix) != 0 ||
        address.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
        return false;
    }
    loop = std::stoi(address.substr(prefix.size()));
    return loop < static_cast<int>(views_.size());
}

class LoopDirectory::View : public RoomDirectory {
  public:
    View(LoopDirectory& all, int loop) : all_(all), loop_(loop) {}

    // Made when first asked: a Redis directory learns its address after the loops are made.
    const std::string& address() const override {
        if (address_.empty()) {
            address_ = all_.addressOf(loop_);
        }
        return address_;
    }

    bool claim(const std::string& code) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        if (all_.owner_.count(code) != 0 ||
            (all_.processes_ != nullptr && !all_.processes_->claim(code))) {
            return false;
        }
        all_.owner_[code] = loop_;
        return true;
    }

    bool ownerOf(const std::string& code, std::string& address) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        auto found = all_.owner_.find(code);
        if (found != all_.owner_.end()) {
            if (found->second == loop_) {
                return false;
            }
            address = all_.addressOf(found->second);
            return true;
        }
        return all_.processes_ != nullptr && all_.processes_->ownerOf(code, address);
    }

    void publish(const net::RoomEntry& room, bool listed) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.rooms_[room.code] = Listed{room, listed};
        if (all_.processes_ != nullptr) {
            all_.processes_->publish(room, listed);
        }
    }

    void release(const std::string& code) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.owner_.erase(code);
        all_.rooms_.erase(code);
        if (all_.processes_ != nullptr) {
            all_.processes_->release(code);
        }
    }

    std::vector<net::RoomEntry> listedRooms(std::size_t most) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        if (all_.processes_ != nullptr) {
            return all_.processes_->listedRooms(most);
        }
        std::vector<net::RoomEntry> out;
        for (const auto& room : all_.rooms_) {
            if (room.second.listed && out.size() < most) {
                out.push_back(room.second.entry);
            }
        }
        return out;
    }

    void addWaiter(std::uint64_t client) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.waiters_[loop_].push_back(client);
        all_.aboutToWait_[loop_] = false;
        if (all_.processes_ != nullptr) {
            all_.processes_->addWaiter(client);
        }
    }

    void removeWaiter(std::uint64_t client) override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        auto& mine = all_.waiters_[loop_];
        mine.erase(std::remove(mine.begin(), mine.end(), client), mine.end());
        all_.aboutToWait_[loop_] = false;
        if (all_.processes_ != nullptr) {
            all_.processes_->removeWaiter(client);
        }
    }

    // A loop with nobody waiting asks this before its newcomer waits: when no other loop has
    // a waiter, the newcomer's loop is marked as about to have one, so that a newcomer at
    // another loop at the same moment is sent here rather than waiting alone there too.
    std::string waiterElsewhere() override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        for (std::size_t l = 0; l < all_.waiters_.size(); ++l) {
            if (static_cast<int>(l) != loop_ &&
                (!all_.waiters_[l].empty() || all_.aboutToWait_[l])) {
                return all_.addressOf(static_cast<int>(l));
            }
        }
        std::string elsewhere =
            all_.processes_ != nullptr ? all_.processes_->waiterElsewhere() : std::string();
        if (elsewhere.empty() && all_.waiters_[loop_].empty()) {
            all_.aboutToWait_[loop_] = true;
        }
        return elsewhere;
    }

    void tick(std::uint32_t nowMs) override {
        if (loop_ != 0 || all_.processes_ == nullptr) {
            return;
        }
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.processes_->tick(nowMs);
    }

    std::string rankedLoop() const override {
        return loop_ == 0 ? std::string() : all_.addressOf(0);
    }

    bool keepsJournal() const override { return all_.processes_ != nullptr; }

    // The journal goes to the processes' store as it is (that directory queues it for its own
    // thread); without one nothing is kept, as a lone process keeps nothing.
    void journalStart(const JournalMatch& match) override {
        if (all_.processes_ != nullptr) {
            std::lock_guard<std::mutex> hold(all_.lock_);
            all_.processes_->journalStart(match);
        }
    }

    void journalFrames(const std::string& code, int seat, std::uint32_t first,
                       const FrameInput* frames, std::size_t count) override {
        if (all_.processes_ != nullptr) {
            std::lock_guard<std::mutex> hold(all_.lock_);
            all_.processes_->journalFrames(code, seat, first, frames, count);
        }
    }

    void journalEnd(const std::string& code) override {
        if (all_.processes_ != nullptr) {
            std::lock_guard<std::mutex> hold(all_.lock_);
            all_.processes_->journalEnd(code);
        }
    }

    // A takeover is asked by one loop and answered to that loop, which holds the room if it is
    // taken;
    // players of one room coming back at two loops are one question, and the loop that asked
    // first holds the room: the others are told it is there.
    void adopt(const std::string& code) override {
        if (all_.processes_ == nullptr) {
            return;
        }
        std::lock_guard<std::mutex> hold(all_.lock_);
        auto held = all_.owner_.find(code);
        if (held != all_.owner_.end()) {
            Adoption there;
            there.code = code;
            there.outcome = held->second == loop_ ? Adoption::Outcome::Nowhere
                                                  : Adoption::Outcome::Elsewhere;
            there.address = all_.addressOf(held->second);
            all_.adoptions_[static_cast<std::size_t>(loop_)].push_back(std::move(there));
            return;
        }
        std::vector<int>& askers = all_.asker_[code];
        if (std::find(askers.begin(), askers.end(), loop_) == askers.end()) {
            askers.push_back(loop_);
        }
        if (askers.size() == 1) {
            all_.processes_->adopt(code);
        }
    }

    std::vector<Adoption> adoptions() override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.collect();
        std::vector<Adoption> mine;
        mine.swap(all_.adoptions_[loop_]);
        return mine;
    }

    std::vector<std::string> roomsLost() override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        all_.collect();
        std::vector<std::string> mine;
        mine.swap(all_.lost_[loop_]);
        return mine;
    }

    std::vector<std::string> processes() override {
        std::lock_guard<std::mutex> hold(all_.lock_);
        return all_.processes_ != nullptr ? all_.processes_->processes()
                                          : std::vector<std::string>();
    }

  private:
    LoopDirectory& all_;
    int loop_;
    mutable std::string address_;
};

void LoopDirectory::collect() {
    if (processes_ == nullptr) {
        return;
    }
    for (Adoption& answer : processes_->adoptions()) {
        std::vector<int> askers = {0};
        auto asked = asker_.find(answer.code);
        if (asked != asker_.end()) {
            askers = std::move(asked->second);
            asker_.erase(asked);
        }
        const int holder = askers.front();
        if (answer.outcome == Adoption::Outcome::Taken) {
            owner_[answer.code] = holder;
        }
        for (std::size_t i = 1; i < askers.size(); ++i) {
            Adoption told = answer;
            if (answer.outcome == Adoption::Outcome::Taken) {
                told.outcome = Adoption::Outcome::Elsewhere;
                told.address = addressOf(holder);
                told.match = JournalMatch();
            }
            adoptions_[static_cast<std::size_t>(askers[i])].push_back(std::move(told));
        }
        adoptions_[static_cast<std::size_t>(holder)].push_back(std::move(answer));
    }
    for (std::string& code : processes_->roomsLost()) {
        auto held = owner_.find(code);
        const int loop = held != owner_.end() ? held->second : 0;
        if (held != owner_.end()) {
            owner_.erase(held);
        }
        rooms_.erase(code);
        lost_[static_cast<std::size_t>(loop)].push_back(std::move(code));
    }
}

LoopDirectory::LoopDirectory(int loops, RoomDirectory* processes)
    : processes_(processes), waiters_(static_cast<std::size_t>(loops)),
      aboutToWait_(static_cast<std::size_t>(loops), false),
      adoptions_(static_cast<std::size_t>(loops)), lost_(static_cast<std::size_t>(loops)) {
    for (int l = 0; l < loops; ++l) {
        views_.push_back(std::make_unique<View>(*this, l));
    }
}

LoopDirectory::~LoopDirectory() = default;

RoomDirectory& LoopDirectory::view(int loop) {
    return *views_[static_cast<std::size_t>(loop)];
}

} // namespace kokurin
