#include "terrain/heap.h"

#include <cstdlib>

namespace kalde {

namespace {
long allocationsBeforeFailure = -1;
}

void* allocateBlock(std::size_t count, std::size_t elementSize) {
    if (allocationsBeforeFailure == 0) return nullptr;
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    return std::calloc(count, elementSize);   // calloc refuses an overflowing product
}

void freeBlock(void* block) { std::free(block); }

namespace testing {
void failAllocationAfter(long successes) { allocationsBeforeFailure = successes; }
}  // namespace testing

}  // namespace kalde
