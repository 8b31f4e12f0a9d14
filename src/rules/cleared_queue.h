// The per-player queue of cleared elements. It is filled at the back and fought from the back,
// and copied hundreds of times a frame by the hint and the computer, so the first elements live
// inside the object and only an unusually long queue touches the heap.
#pragma once

#include <cstdint>
#include <memory>

#include "rules/element.h"

namespace kokurin {

class ClearedQueue {
  public:
    ClearedQueue() = default;
    ClearedQueue(const ClearedQueue& other);
    ClearedQueue& operator=(const ClearedQueue& other);
    ~ClearedQueue() = default;

    // Appends at the back (line clearing).
    void pushBack(Element e);
    // Reads and removes the back element (the clash and the damage); the queue must not be empty.
    Element back() const { return data()[size_ - 1]; }
    void popBack() { --size_; }

    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    // Front-to-back walk (the listings on screen).
    const Element* begin() const { return data(); }
    const Element* end() const { return data() + size_; }
    Element operator[](int i) const { return data()[i]; }

  private:
    static constexpr int inlineCapacity = 64;

    const Element* data() const { return heap_ ? heap_.get() : inline_; }
    Element* data() { return heap_ ? heap_.get() : inline_; }
    void reserve(int wanted);

    int size_ = 0;
    int capacity_ = inlineCapacity;
    Element inline_[inlineCapacity];
    std::unique_ptr<Element[]> heap_;
};

bool operator==(const ClearedQueue& a, const ClearedQueue& b);
inline bool operator!=(const ClearedQueue& a, const ClearedQueue& b) {
    return !(a == b);
}

} // namespace kokurin
