// Counts heap allocations made while counting is switched on, to show that the engine
// allocates nothing per frame. The counting allocator replaces malloc, calloc and
// realloc for the whole benchmark process (except in sanitizer builds, which count 0).
#pragma once

namespace bench {

void startCountingAllocations();
// Stops counting and returns the number of allocations since the start.
long stopCountingAllocations();
// Bytes requested by the allocations counted since the last start.
long long countedBytes();

}  // namespace bench
