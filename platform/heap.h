// The process heap. Every text buffer of the program comes from here, so a
// back end (or a test double) sees each request and each release.
#pragma once

#include <cstddef>

namespace platform {

// A block of at least `bytes` bytes, suitably aligned for any character
// type, or null when the heap is exhausted.
void* HeapAllocate(std::size_t bytes);

// Returns a block obtained from HeapAllocate; null is ignored.
void HeapRelease(void* block);

}  // namespace platform
