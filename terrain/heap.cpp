#include "terrain/heap.h"

#include <cstdint>
#include <cstdlib>

namespace kalde {

namespace {

long allocationsBeforeFailure = -1;

// Counts one allocation against a failure set up by a test.
bool allocationAllowed() {
    if (allocationsBeforeFailure == 0) return false;
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    return true;
}

}  // namespace

void* allocateBlock(std::size_t count, std::size_t elementSize) {
    if (!allocationAllowed()) return nullptr;
    return std::calloc(count, elementSize);   // calloc refuses an overflowing product
}

void* resizeBlock(void* block, std::size_t count, std::size_t elementSize) {
    if (!allocationAllowed()) return nullptr;
    if (elementSize != 0 && count > SIZE_MAX / elementSize) return nullptr;
    return std::realloc(block, count * elementSize);
}

void freeBlock(void* block) { std::free(block); }

namespace testing {
void failAllocationAfter(long successes) { allocationsBeforeFailure = successes; }
}  // namespace testing

}  // namespace kalde
