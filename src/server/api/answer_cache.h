// The API's answers kept briefly: a page polled by many viewers costs the database one query a
// few seconds. Bounded in entries and in bytes; the oldest answer goes first.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>

namespace kokurin {
namespace api {

template <class Answer> class AnswerCache {
  public:
    AnswerCache(std::int64_t ttlMs, std::size_t maximumEntries, std::size_t maximumBytes)
        : ttlMs_(ttlMs), maximumEntries_(maximumEntries), maximumBytes_(maximumBytes) {}

    std::optional<Answer> find(const std::string& key, std::int64_t nowMs) {
        const auto found = entries_.find(key);
        if (found == entries_.end()) {
            return std::nullopt;
        }
        if (nowMs - found->second.madeMs >= ttlMs_ || nowMs < found->second.madeMs) {
            erase(found);
            return std::nullopt;
        }
        return found->second.answer;
    }

    // size: what the answer costs (its body and key).
    void put(const std::string& key, const Answer& answer, std::size_t size, std::int64_t nowMs) {
        if (size > maximumBytes_ || maximumEntries_ == 0) {
            return;
        }
        const auto old = entries_.find(key);
        if (old != entries_.end()) {
            erase(old);
        }
        while (!order_.empty() &&
               (entries_.size() >= maximumEntries_ || bytes_ + size > maximumBytes_)) {
            erase(entries_.find(order_.front()));
        }
        order_.push_back(key);
        entries_[key] = Entry{answer, size, nowMs, std::prev(order_.end())};
        bytes_ += size;
    }

    std::size_t entries() const { return entries_.size(); }
    std::size_t bytes() const { return bytes_; }

  private:
    struct Entry {
        Answer answer;
        std::size_t size;
        std::int64_t madeMs;
        std::list<std::string>::iterator place;
    };

    void erase(typename std::map<std::string, Entry>::iterator entry) {
        bytes_ -= entry->second.size;
        order_.erase(entry->second.place);
        entries_.erase(entry);
    }

    std::int64_t ttlMs_;
    std::size_t maximumEntries_;
    std::size_t maximumBytes_;
    std::size_t bytes_ = 0;
    std::map<std::string, Entry> entries_;
    // Oldest first.
    std::list<std::string> order_;
};

} // namespace api
} // namespace kokurin
