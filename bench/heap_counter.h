#pragma once

#include <cstddef>

namespace bench {

// Heap requests made through the platform heap since the start.
std::size_t HeapRequests();

// Allocations from the C library's heap since the start, by anyone.
std::size_t Allocations();

}  // namespace bench
