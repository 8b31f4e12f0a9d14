// Storage of the cleared-element queue: inline first, on the heap only when it grows long.
#include "rules/cleared_queue.h"

#include <algorithm>

namespace kokurin {

ClearedQueue::ClearedQueue(const ClearedQueue& other) {
    *this = other;
}

ClearedQueue& ClearedQueue::operator=(const ClearedQueue& other) {
    if (this == &other) {
        return *this;
    }
    reserve(other.size_);
    std::copy(other.begin(), other.end(), data());
    size_ = other.size_;
    return *this;
}

void ClearedQueue::reserve(int wanted) {
    if (wanted <= capacity_) {
        return;
    }
    int newCapacity = std::max(wanted, capacity_ * 2);
    std::unique_ptr<Element[]> grown(new Element[newCapacity]);
    std::copy(begin(), end(), grown.get());
    heap_ = std::move(grown);
    capacity_ = newCapacity;
}

void ClearedQueue::pushBack(Element e) {
    if (size_ == capacity_) {
        reserve(size_ + 1);
    }
    data()[size_++] = e;
}

bool operator==(const ClearedQueue& a, const ClearedQueue& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

} // namespace kokurin
