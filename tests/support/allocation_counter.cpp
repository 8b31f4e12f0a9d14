// The test program's operator new, counted while a measurement is on.
#include "support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
long allocations = 0;

} // namespace

namespace testing_support {

void startCountingAllocations() {
    allocations = 0;
    counting = true;
}

long stopCountingAllocations() {
    counting = false;
    return allocations;
}

void countAllocation() {
    if (counting) {
        ++allocations;
    }
}

} // namespace testing_support

void* operator new(std::size_t size) {
    testing_support::countAllocation();
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
