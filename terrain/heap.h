// Heap blocks of the map. Every allocation of the engine goes through here so that
// a failed allocation is reported by the caller's own fatal check, and so that tests
// can make an allocation fail on purpose.
#pragma once

#include <cstddef>

namespace kalde {

// A block of count * elementSize bytes, zero-filled, or null when it cannot be had
// (also when count * elementSize would overflow).
void* allocateBlock(std::size_t count, std::size_t elementSize);
// The block resized to count * elementSize bytes, keeping its contents (what is added
// is not cleared), or null when that cannot be had; the old block is then untouched.
void* resizeBlock(void* block, std::size_t count, std::size_t elementSize);
void freeBlock(void* block);

namespace testing {
// Lets the next `successes` allocations succeed and fails the one after;
// a negative value (the default) never fails.
void failAllocationAfter(long successes);
}  // namespace testing

}  // namespace kalde
