// Counting the allocations a stretch of a test makes. The test program's operator new is
// replaced (allocation_counter.cpp, compiled into every test program that counts) and reports
// here; a library's own allocator can be routed here too.
#pragma once

namespace testing_support {

// Counts from zero until stopCountingAllocations, which returns the count.
void startCountingAllocations();
long stopCountingAllocations();
// One allocation, counted while counting is on.
void countAllocation();

} // namespace testing_support
