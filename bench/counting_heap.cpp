// The process heap with a count of requests, so that a benchmark on the real
// status sources can report heap requests per pass: those of the platform
// heap (the texts' buffers) and every allocation of the C library's heap,
// whoever makes it (operator new, the C library, Qt).
#include <cstddef>
#include <cstdlib>

#include "bench/heap_counter.h"
#include "platform/heap.h"

namespace bench {

namespace {
std::size_t requests = 0;
std::size_t allocations = 0;
}  // namespace

std::size_t HeapRequests() { return requests; }
std::size_t Allocations() { return allocations; }

}  // namespace bench

namespace platform {

void* HeapAllocate(std::size_t bytes) {
    ++bench::requests;
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void HeapRelease(void* block) { std::free(block); }

}  // namespace platform

// The C library's own entry points, which the definitions below stand in
// front of; every other allocator (operator new included) calls these.
extern "C" {
void* __libc_malloc(std::size_t bytes);
void* __libc_calloc(std::size_t count, std::size_t bytes);
void* __libc_realloc(void* block, std::size_t bytes);
void* __libc_memalign(std::size_t alignment, std::size_t bytes);

void* malloc(std::size_t bytes) {
    ++bench::allocations;
    return __libc_malloc(bytes);
}

void* calloc(std::size_t count, std::size_t bytes) {
    ++bench::allocations;
    return __libc_calloc(count, bytes);
}

void* realloc(void* block, std::size_t bytes) {
    ++bench::allocations;
    return __libc_realloc(block, bytes);
}

void* aligned_alloc(std::size_t alignment, std::size_t bytes) {
    ++bench::allocations;
    return __libc_memalign(alignment, bytes);
}

void* memalign(std::size_t alignment, std::size_t bytes) {
    ++bench::allocations;
    return __libc_memalign(alignment, bytes);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t bytes) {
    ++bench::allocations;
    *block = __libc_memalign(alignment, bytes);
    return *block == nullptr ? 12 /* ENOMEM */ : 0;
}
}
