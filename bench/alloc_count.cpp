#include "alloc_count.h"

#include <cstddef>

// glibc's own entry points, which the replacements below forward to.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);

namespace {
bool counting = false;
long allocations = 0;
long long bytes = 0;

}  // namespace

// The sanitizers bring their own allocator; there the benchmark counts nothing.
#if !defined(__SANITIZE_ADDRESS__)
namespace {

void tally(std::size_t size) {
    if (!counting) return;
    ++allocations;
    bytes += static_cast<long long>(size);
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
    tally(size);
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
    tally(count * size);
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size) {
    tally(size);
    return __libc_realloc(block, size);
}
#endif

namespace bench {

void startCountingAllocations() {
    allocations = 0;
    bytes = 0;
    counting = true;
}

long stopCountingAllocations() {
    counting = false;
    return allocations;
}

long long countedBytes() { return bytes; }

}  // namespace bench
