// The process heap with a count of requests, so that a benchmark on the real
// status sources can report heap requests per pass.
#include <cstdlib>

#include "bench/heap_counter.h"
#include "platform/heap.h"

namespace bench {

namespace {
std::size_t requests = 0;
}

std::size_t HeapRequests() { return requests; }

}  // namespace bench

namespace platform {

void* HeapAllocate(std::size_t bytes) {
    ++bench::requests;
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void HeapRelease(void* block) { std::free(block); }

}  // namespace platform
