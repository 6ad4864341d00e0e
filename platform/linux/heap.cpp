#include "platform/heap.h"

#include <cstdlib>

namespace platform {

void* HeapAllocate(std::size_t bytes) {
    // malloc(0) may answer null, which callers would take for exhaustion.
    return std::malloc(bytes != 0 ? bytes : 1);
}

void HeapRelease(void* block) { std::free(block); }

}  // namespace platform
